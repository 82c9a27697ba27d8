// MD5 against the RFC 1321 test suite and block-boundary lengths, and the logon digest form.
#include "wire/md5.h"
#include "wire/password_digest.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(Md5, Rfc1321TestSuite) {
    EXPECT_EQ(Md5::HexDigest(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5::HexDigest("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(Md5::HexDigest("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5::HexDigest("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Md5::HexDigest("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(Md5::HexDigest("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(Md5::HexDigest("1234567890123456789012345678901234567890"
                             "1234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PaddingAtBlockBoundariesAndPiecewiseUpdates) {
    // Expected values from md5sum over runs of 'x'.
    const std::pair<std::size_t, const char*> cases[] = {
        {55, "04364420e25c512fd958a70738aa8f72"}, {56, "668a72d5ba17f08e62dabcafad6db14b"},
        {63, "7dc2ca208106a2f703567bdff99d8981"}, {64, "c1bb4f81d892b2d57947682aeb252456"},
        {65, "1bc932052302d074bdec39795fe00cf6"}, {1000, "398533d48111e9f664b1f64cb10c4b63"}};
    for (const auto& [length, expected] : cases) {
        const std::string text(length, 'x');
        EXPECT_EQ(Md5::HexDigest(text), expected) << length;
        // The same bytes fed in uneven pieces give the same digest.
        Md5 md5;
        for (std::size_t at = 0; at < length; at += 7) md5.Update(text.data() + at, std::min<std::size_t>(7, length - at));
        EXPECT_EQ(md5.Final(), Md5::Digest(text)) << length;
    }
}

TEST(PasswordDigest, StateWordsInUpperCaseGroups) {
    // md5("8001abc") = 5957c6f9 a0544f7a ab76f407 9b2a9b83 (md5sum); each group is the
    // little-endian state word, so its bytes appear reversed.
    EXPECT_EQ(PasswordDigest("8001", "abc"), "F9C65759-7A4F54A0-07F476AB-839B2A9B");
    EXPECT_EQ(PasswordDigest("8001", "abc").size(), kPasswordDigestLength);
    EXPECT_NE(PasswordDigest("8001", "abd"), PasswordDigest("8001", "abc"));
}

} // namespace
} // namespace orv
