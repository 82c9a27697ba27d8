// The bounded reader and writer, the packet header and dotted addresses: every field a
// writer puts down reads back in the same byte order, and no truncation of a packet lets a
// reader past its end.
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"
#include "wire/ipv4_text.h"
#include "wire/packet_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace orv {
namespace {

std::vector<std::uint8_t> SamplePacket() {
    ByteWriter w = StartPacket(0x0101, 0xA1B2C3D4);
    w.U8(0x7F);
    w.U16LE(0x1234);
    w.U16BE(0x1234);
    w.U32LE(0xDEADBEEF);
    w.U32BE(0xDEADBEEF);
    w.Text("a number far too long for its field", 8); // cut to 7 and a zero
    w.Text("ab", 4);
    return FinishPacket(w);
}

TEST(Wire, FieldsReadBackInTheirByteOrderAndTruncationNeverReadsPastTheEnd) {
    const std::vector<std::uint8_t> packet = SamplePacket();
    ASSERT_EQ(packet.size(), kPacketHeaderSize + 1 + 2 + 2 + 4 + 4 + 8 + 4);
    // The byte order is visible on the wire, not only in a round trip.
    const std::vector<std::uint8_t> header(packet.begin(), packet.begin() + 8);
    EXPECT_EQ(header, (std::vector<std::uint8_t>{0x01, 0x01, 33, 0, 0xD4, 0xC3, 0xB2, 0xA1}));
    EXPECT_EQ(packet[9], 0x34);
    EXPECT_EQ(packet[11], 0x12);
    EXPECT_EQ(packet[13], 0xEF);
    EXPECT_EQ(packet[17], 0xDE);

    Packet parsed;
    ASSERT_EQ(ParsePacket(packet.data(), packet.size(), &parsed), PacketError::None);
    EXPECT_EQ(parsed.header.type, 0x0101);
    EXPECT_EQ(parsed.header.seqNum, 0xA1B2C3D4u);
    EXPECT_EQ(ParsePacket(packet.data(), packet.size() - 1, &parsed), PacketError::LengthMismatch);
    EXPECT_EQ(ParsePacket(packet.data(), 7, &parsed), PacketError::TooShort);
    EXPECT_EQ(ParsePacket(nullptr, 0, &parsed), PacketError::TooShort);

    // Every cut of the body: the reader fails at the first field that no longer fits, gives
    // zeros from then on, and only the whole body reads Ok.
    const std::size_t bodySize = packet.size() - kPacketHeaderSize;
    for (std::size_t size = 0; size <= bodySize; ++size) {
        ByteReader r(packet.data() + kPacketHeaderSize, size);
        const std::uint8_t u8 = r.U8();
        const std::uint16_t le16 = r.U16LE(), be16 = r.U16BE();
        const std::uint32_t le32 = r.U32LE(), be32 = r.U32BE();
        const std::string cut = r.Text(8);
        const std::string full = r.TextFull(4);
        EXPECT_EQ(r.Ok(), size == bodySize) << size;
        EXPECT_EQ(r.Remaining(), 0u) << size;
        if (size == bodySize) {
            EXPECT_EQ(u8, 0x7F);
            EXPECT_EQ(le16, 0x1234);
            EXPECT_EQ(be16, 0x1234);
            EXPECT_EQ(le32, 0xDEADBEEFu);
            EXPECT_EQ(be32, 0xDEADBEEFu);
            EXPECT_EQ(cut, "a numbe");
            EXPECT_EQ(full, "ab");
        } else {
            EXPECT_EQ(full, "") << size;
            EXPECT_EQ(r.U32LE(), 0u) << "a failed reader stays failed";
            EXPECT_EQ(r.Bytes(0), nullptr);
        }
    }
}

TEST(Wire, TextFieldsWithoutATerminatorStayInsideTheirField) {
    const std::vector<std::uint8_t> filled(8, 'x');
    ByteReader cut(filled.data(), filled.size());
    EXPECT_EQ(cut.Text(4), "xxx") << "the last byte counts as the terminator";
    EXPECT_EQ(cut.TextFull(4), "xxxx") << "the whole field, never beyond it";
    EXPECT_TRUE(cut.Ok());

    std::uint8_t field[6];
    PutTextField(field, sizeof field, static_cast<const char*>(nullptr));
    EXPECT_EQ(GetTextField(field, sizeof field), "");
    const char unterminated[3] = {'a', 'b', 'c'}; // read no further than the field allows
    PutTextField(field, 3, unterminated);
    EXPECT_EQ(GetTextField(field, 3), "ab");
}

TEST(Wire, DottedQuadsInHostAndNetworkOrder) {
    std::uint32_t ip = 0;
    ASSERT_TRUE(ParseDottedQuad("192.168.1.20", &ip));
    EXPECT_EQ(ip, 0xC0A80114u);
    EXPECT_EQ(DottedQuad(ip), "192.168.1.20");
    const std::uint8_t onWire[4] = {10, 1, 2, 3}; // first octet first, as in a packet
    std::uint32_t networkOrder = 0;
    std::memcpy(&networkOrder, onWire, sizeof networkOrder);
    EXPECT_EQ(DottedQuadOfNetworkOrder(networkOrder), "10.1.2.3");
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.x", "localhost", " 1.2.3.4"}) {
        EXPECT_FALSE(IsDottedQuad(bad)) << bad;
        EXPECT_FALSE(ParseDottedQuad(bad, &ip)) << bad;
    }
    EXPECT_TRUE(IsDottedQuad("0.0.0.0"));
}

} // namespace
} // namespace orv
