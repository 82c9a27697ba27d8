// ORV numbers as they are used to name things on disk.
#pragma once

#include <string>

namespace orv {

// Longest number a 32-byte number field can hold.
constexpr std::size_t kMaxOrvNumberLength = 31;

// True when number is a plain ORV number: 1 to 31 decimal digits and nothing else. Checked
// before a number becomes a folder name.
bool IsPlainOrvNumber(const std::string& number);

} // namespace orv
