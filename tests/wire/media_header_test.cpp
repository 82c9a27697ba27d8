#include "wire/media_header.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace orv {
namespace {

TEST(MediaHeader, PacksBigEndianAndRoundTrips) {
    MediaHeader header;
    header.payloadType = 18;
    header.sequence = 0x1234;
    header.timestamp = 0x89ABCDEF;
    header.ssrc = 0x01020304;
    std::array<std::uint8_t, kMediaHeaderBytes> bytes{};
    PackMediaHeader(header, bytes.data());
    const std::array<std::uint8_t, kMediaHeaderBytes> expected{
        0x80, 18, 0x12, 0x34, 0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(bytes, expected);

    MediaHeader back;
    ASSERT_TRUE(UnpackMediaHeader(bytes.data(), bytes.size(), back));
    EXPECT_EQ(back.versionByte, 0x80);
    EXPECT_EQ(back.payloadType, 18);
    EXPECT_EQ(back.sequence, 0x1234);
    EXPECT_EQ(back.timestamp, 0x89ABCDEFu);
    EXPECT_EQ(back.ssrc, 0x01020304u);
    EXPECT_FALSE(UnpackMediaHeader(bytes.data(), 11, back));
}

TEST(MediaHeader, PayloadSkipsCsrcListAndNeedsOneByte) {
    std::array<std::uint8_t, 40> packet{};
    std::size_t offset = 0;
    packet[0] = 0x80;
    EXPECT_FALSE(FindMediaPayload(packet.data(), 12, offset)); // header only: no payload
    ASSERT_TRUE(FindMediaPayload(packet.data(), 13, offset));
    EXPECT_EQ(offset, 12u);
    packet[0] = 0x82; // two CSRC entries
    EXPECT_FALSE(FindMediaPayload(packet.data(), 20, offset));
    ASSERT_TRUE(FindMediaPayload(packet.data(), 21, offset));
    EXPECT_EQ(offset, 20u);
    packet[0] = 0x8F; // fifteen CSRC entries reach past a 40-byte datagram
    EXPECT_FALSE(FindMediaPayload(packet.data(), packet.size(), offset));
}

TEST(MediaHeader, ProbeIsExactlyTwelveBytesWithSequenceFFFF) {
    std::array<std::uint8_t, 13> probe{};
    PackProbe(0xCAFEBABE, probe.data());
    const std::array<std::uint8_t, 12> expected{0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0xCA, 0xFE, 0xBA, 0xBE};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), probe.begin()));
    EXPECT_TRUE(IsProbe(probe.data(), 12));
    EXPECT_FALSE(IsProbe(probe.data(), 13)); // longer: media
    EXPECT_FALSE(IsProbe(probe.data(), 11));

    // A 12-byte datagram with another sequence number is media, and media without payload.
    probe[3] = 0xFE;
    std::size_t offset = 0;
    EXPECT_FALSE(IsProbe(probe.data(), 12));
    EXPECT_FALSE(FindMediaPayload(probe.data(), 12, offset));
}

} // namespace
} // namespace orv
