#include "client/data/password_digest.h"

#include "client/data/le_bytes.h"
#include "client/data/md5.h"

#include <cstdio>

namespace orv {

std::string PasswordDigest(const std::string& number, const std::string& password) {
    const auto digest = Md5::Digest(number + password);
    // Each group is one state word, read from its four digest bytes least significant first.
    char text[kPasswordDigestLength + 1];
    std::snprintf(text, sizeof text, "%08X-%08X-%08X-%08X", ReadU32(digest.data()),
                  ReadU32(digest.data() + 4), ReadU32(digest.data() + 8),
                  ReadU32(digest.data() + 12));
    return text;
}

} // namespace orv
