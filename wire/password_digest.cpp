#include "wire/password_digest.h"

#include "wire/byte_order.h"
#include "wire/md5.h"

#include <cstdio>

namespace orv {

std::string PasswordDigest(const std::string& number, const std::string& password) {
    const auto digest = Md5::Digest(number + password);
    // Each group is one state word, read from its four digest bytes least significant first.
    char text[kPasswordDigestLength + 1];
    std::snprintf(text, sizeof text, "%08X-%08X-%08X-%08X", GetU32LE(digest.data()),
                  GetU32LE(digest.data() + 4), GetU32LE(digest.data() + 8),
                  GetU32LE(digest.data() + 12));
    return text;
}

} // namespace orv
