// Fixed-size text fields of packets and stored files: NUL-padded, and always ending with a
// zero byte, so a field of n bytes holds at most n - 1 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

// Writes text into a field of fieldSize bytes: cut to fieldSize - 1 characters, the rest
// NUL-filled.
void PutTextField(std::uint8_t* field, std::size_t fieldSize, std::string_view text);
// The same for a C string, which may be null (an empty field) and is never read beyond
// fieldSize - 1 characters.
void PutTextField(std::uint8_t* field, std::size_t fieldSize, const char* text);

// Reads a field up to its first zero byte; the last byte always counts as a zero byte, so a
// damaged field gives at most fieldSize - 1 characters.
std::string GetTextField(const std::uint8_t* field, std::size_t fieldSize);

} // namespace orv
