#include "server/user_packets.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orv {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A login body as the client lays it out: number, password field, bind text, kind, count,
// then count × (u32 address, u16 port).
Bytes LoginBody(const std::string& number, const std::string& digest, std::uint16_t count,
                std::size_t addressesPresent) {
    Bytes body(32 + 40 + 64 + 1 + 2 + 6 * addressesPresent, 0);
    std::memcpy(body.data(), number.data(), std::min<std::size_t>(number.size(), 32));
    std::memcpy(body.data() + 32, digest.data(), std::min<std::size_t>(digest.size(), 40));
    std::memcpy(body.data() + 72, "0000abcd", 8);
    body[136] = 2;
    body[137] = static_cast<std::uint8_t>(count);
    body[138] = static_cast<std::uint8_t>(count >> 8);
    for (std::size_t i = 0; i < addressesPresent; ++i) {
        // 127.0.0.1 + i as a number with the first octet most significant, little-endian.
        const std::uint32_t a = 0x7F000001u + static_cast<std::uint32_t>(i);
        for (int b = 0; b < 4; ++b) body[139 + 6 * i + b] = static_cast<std::uint8_t>(a >> (8 * b));
    }
    return body;
}

TEST(UserPackets, HeaderLengthMustMatchTheDatagram) {
    Packet p;
    EXPECT_EQ(ParsePacket(nullptr, 0, &p), PacketError::TooShort);
    const Bytes seven(7, 0);
    EXPECT_EQ(ParsePacket(seven.data(), seven.size(), &p), PacketError::TooShort);

    Bytes keepAlive = {0x03, 0x01, 12, 0, 0x78, 0x56, 0x34, 0x12, 1, 2, 3, 4};
    ASSERT_EQ(ParsePacket(keepAlive.data(), keepAlive.size(), &p), PacketError::None);
    EXPECT_EQ(p.header.type, 0x0103);
    EXPECT_EQ(p.header.seqNum, 0x12345678u);
    EXPECT_EQ(p.bodySize, 4u);
    EXPECT_EQ(p.body, keepAlive.data() + 8);

    keepAlive[2] = 13; // claims one byte more than arrived
    EXPECT_EQ(ParsePacket(keepAlive.data(), keepAlive.size(), &p), PacketError::LengthMismatch);
    keepAlive[2] = 11;
    EXPECT_EQ(ParsePacket(keepAlive.data(), keepAlive.size(), &p), PacketError::LengthMismatch);
}

TEST(UserPackets, LoginRequestIsReadFieldByField) {
    const Bytes body = LoginBody("8001", "F9C65759-7A4F54A0-07F476AB-839B2A9B", 2, 2);
    ASSERT_EQ(body.size() + 8, 147u + 12u);
    LoginRequest r;
    ASSERT_TRUE(ParseLoginRequest(body.data(), body.size(), &r));
    EXPECT_EQ(r.number, "8001");
    EXPECT_EQ(r.digest, "F9C65759-7A4F54A0-07F476AB-839B2A9B");
    EXPECT_EQ(r.bindInfo, "0000abcd");
    EXPECT_EQ(r.clientKind, 2);
    ASSERT_EQ(r.localAddresses.size(), 2u);
    EXPECT_EQ(r.localAddresses[0], 0x7F000001u);
    EXPECT_EQ(r.localAddresses[1], 0x7F000002u);

    const Bytes none = LoginBody("8001", "x", 0, 0);
    ASSERT_TRUE(ParseLoginRequest(none.data(), none.size(), &r));
    EXPECT_TRUE(r.localAddresses.empty());
}

TEST(UserPackets, LoginCountIsBelievedOnlyWhenTheBodyHoldsExactlyThatMany) {
    LoginRequest r;
    const Bytes claimsMore = LoginBody("8001", "x", 3, 2);
    EXPECT_FALSE(ParseLoginRequest(claimsMore.data(), claimsMore.size(), &r));
    const Bytes claimsHuge = LoginBody("8001", "x", 0xFFFF, 1);
    EXPECT_FALSE(ParseLoginRequest(claimsHuge.data(), claimsHuge.size(), &r));
    Bytes trailing = LoginBody("8001", "x", 1, 1);
    trailing.push_back(0);
    EXPECT_FALSE(ParseLoginRequest(trailing.data(), trailing.size(), &r));
    const Bytes full = LoginBody("8001", "x", 1, 1);
    EXPECT_FALSE(ParseLoginRequest(full.data(), 138, &r)); // cut inside the count
}

TEST(UserPackets, TextFieldsWithoutTerminatorAreCutOneShortOfTheField) {
    const Bytes body = LoginBody(std::string(32, '9'), std::string(40, 'A'), 0, 0);
    LoginRequest r;
    ASSERT_TRUE(ParseLoginRequest(body.data(), body.size(), &r));
    EXPECT_EQ(r.number, std::string(31, '9'));
    EXPECT_EQ(r.digest, std::string(39, 'A'));
}

TEST(UserPackets, FixedBodiesNeedTheirExactSize) {
    const std::uint8_t body[9] = {1, 0, 0, 0, 2, 0, 0, 0, 9};
    std::uint32_t endpoint = 0;
    std::uint32_t code = 0;
    EXPECT_TRUE(ParseEndpointBody(body, 4, &endpoint));
    EXPECT_EQ(endpoint, 1u);
    EXPECT_FALSE(ParseEndpointBody(body, 3, &endpoint));
    EXPECT_FALSE(ParseEndpointBody(body, 5, &endpoint));
    EXPECT_TRUE(ParseLogoutBody(body, 8, &endpoint, &code));
    EXPECT_EQ(code, 2u);
    EXPECT_FALSE(ParseLogoutBody(body, 9, &endpoint, &code));
}

TEST(UserPackets, AnswersHaveTheirWireLayout) {
    EXPECT_EQ(BuildSuccess(0x0101, 7, 0x01020304),
              (Bytes{0x01, 0x01, 13, 0, 7, 0, 0, 0, 0, 0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(BuildFailure(0x0101, 7, -3), (Bytes{0x01, 0x01, 13, 0, 7, 0, 0, 0, 255, 0xFD, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(BuildHeaderOnly(0x0100, 0x01020304), (Bytes{0x00, 0x01, 8, 0, 4, 3, 2, 1}));
    EXPECT_EQ(BuildLogoutNotice(5, 77, 2), (Bytes{0x02, 0x01, 16, 0, 5, 0, 0, 0, 77, 0, 0, 0, 2, 0, 0, 0}));
    // Address in network byte order: 127.0.0.1 goes out as 7F 00 00 01; the port little-endian.
    const std::uint8_t loopback[4] = {127, 0, 0, 1};
    std::uint32_t address;
    std::memcpy(&address, loopback, 4);
    EXPECT_EQ(BuildServerAddress(9, address, 0x1234),
              (Bytes{0x11, 0x01, 14, 0, 9, 0, 0, 0, 127, 0, 0, 1, 0x34, 0x12}));
}

TEST(UserPackets, CustomInformationIsCutToItsFields) {
    CustomInfo info;
    info.id = 3;
    info.name = std::string(100, 'n');
    info.url = "http://x/";
    const Bytes p = BuildCustomInfo(4, info);
    ASSERT_EQ(p.size(), 8u + 132u);
    EXPECT_EQ(p[2], 140);
    EXPECT_EQ(p[8], 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[12])), std::string(63, 'n'));
    EXPECT_EQ(p[12 + 63], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[76])), "http://x/");
    EXPECT_EQ(p.back(), 0);
}

} // namespace
} // namespace orv
