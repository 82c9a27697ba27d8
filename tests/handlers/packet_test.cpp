// Packet framing and the user-server bodies: little-endian layout and length checks.
#include "client/userserver/user_serv_packets.h"
#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orv {
namespace {

TEST(Packet, HeaderIsLittleEndianAndNeedsEightBytes) {
    std::uint8_t p[8];
    WritePacketHeader(p, PacketHeader{0x0101, 0x0093, 0x01020304});
    const std::uint8_t expected[8] = {0x01, 0x01, 0x93, 0x00, 0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(std::memcmp(p, expected, 8), 0);
    PacketHeader h;
    EXPECT_TRUE(ReadPacketHeader(p, 8, &h));
    EXPECT_EQ(h.seqNum, 0x01020304u);
    EXPECT_FALSE(ReadPacketHeader(p, 7, &h));
    EXPECT_FALSE(ReadPacketHeader(nullptr, 8, &h));
}

TEST(Packet, BodyReaderNeverReadsPastTheEnd) {
    const std::uint8_t body[] = {1, 2, 3, 4, 5, 'a', 'b', 0, 'z'};
    ByteReader r(body, 5);
    EXPECT_EQ(r.U8(), 1);
    EXPECT_EQ(r.U32LE(), 0x05040302u);
    EXPECT_EQ(r.U16LE(), 0);
    EXPECT_FALSE(r.Ok());
    ByteReader t(body + 5, 4);
    EXPECT_EQ(t.Text(4), "ab"); // stops at the NUL, never beyond the field
    ByteReader u(body + 5, 2);
    EXPECT_EQ(u.Text(4), "");
    EXPECT_FALSE(u.Ok());
    ByteReader n(nullptr, 100); // a null body has no bytes whatever its claimed size
    n.U8();
    EXPECT_FALSE(n.Ok());
}

TEST(Packet, AnswerBodiesAreCheckedForLength) {
    ResultAnswer a;
    const std::uint8_t refused[] = {255, 0xFD, 0xFF, 0xFF, 0xFF};
    ASSERT_TRUE(ParseResultAnswer(refused, 5, &a));
    EXPECT_EQ(a.result, 255);
    EXPECT_EQ(a.reason, -3);
    EXPECT_FALSE(ParseResultAnswer(refused, 4, &a));
    ServerAddressAnswer s;
    const std::uint8_t addr[] = {10, 1, 2, 3, 0x88, 0x13};
    ASSERT_TRUE(ParseServerAddressAnswer(addr, 6, &s));
    EXPECT_EQ(s.address & 0xFF, 10u); // first octet in the lowest byte
    EXPECT_EQ(s.port, 5000);
    EXPECT_FALSE(ParseServerAddressAnswer(addr, 5, &s));
    LogoutNotice l;
    EXPECT_FALSE(ParseLogoutNotice(addr, 6, &l));
    CustomInfo c;
    std::vector<std::uint8_t> custom(132, 'x'); // texts without NUL stay inside their fields
    ASSERT_TRUE(ParseCustomInfo(custom.data(), custom.size(), &c));
    EXPECT_EQ(c.customName.size(), 64u);
    EXPECT_EQ(c.bmsUrl.size(), 64u);
    EXPECT_FALSE(ParseCustomInfo(custom.data(), 131, &c));
}

TEST(Packet, LoginRequestCutsLongFieldsAndLimitsAddresses) {
    std::string number(40, '9');
    std::vector<std::uint32_t> many(100, 0xC0A80001);
    std::vector<std::uint8_t> p = BuildLoginRequest(number.c_str(), "pw", FormatBindInfo(0xDEADBEEF), many);
    ASSERT_EQ(p.size(), 147 + 6 * kMaxLoginAddresses);
    EXPECT_EQ(p[8 + 30], '9');
    EXPECT_EQ(p[8 + 31], 0); // cut to 31 characters
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data()) + 80), "deadbeef");
    EXPECT_EQ(GetU16LE(p.data() + 145), kMaxLoginAddresses);
    EXPECT_EQ(GetU32LE(p.data() + 147), 0xC0A80001u);
}

} // namespace
} // namespace orv
