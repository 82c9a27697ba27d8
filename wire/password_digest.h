// The password digest sent at logon and kept in the user list: the MD5 of the number
// followed by the password, as its four state words in upper-case hex joined by '-'
// (35 characters). The password itself is never sent or stored.
#pragma once

#include <string>

namespace orv {

constexpr std::size_t kPasswordDigestLength = 35;

std::string PasswordDigest(const std::string& number, const std::string& password);

} // namespace orv
