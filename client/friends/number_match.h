// How a dialled number is matched against the numbers of a friend record.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// The number part of a dialled text (before the first "*") and its extension (after it).
std::string_view DialledNumberPart(std::string_view dialled);
std::string_view DialledExtension(std::string_view dialled);

// Telephone and mobile numbers are compared by the digits of their number parts alone, so
// "010-1234" matches "0101234" and a stored "12345678*12" matches "12345678"; a number
// without digits matches nothing.
bool SameTelephoneNumber(std::string_view a, std::string_view b);

} // namespace orv
