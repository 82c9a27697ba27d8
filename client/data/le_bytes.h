// Little-endian fields and fixed-size text fields of the stored file formats. Every access
// is bounds-checked by the caller; these helpers only pack and unpack bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace orv {

inline std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void WriteU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void WriteU32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

// Writes text into a field of fieldSize bytes: cut to fieldSize - 1 characters, the rest
// NUL-filled, so the field always ends with a zero byte.
inline void PutFixedText(std::uint8_t* field, std::size_t fieldSize, const std::string& text) {
    std::memset(field, 0, fieldSize);
    std::memcpy(field, text.data(), std::min(text.size(), fieldSize - 1));
}

// Reads a field of fieldSize bytes up to its first zero byte; the last byte always counts as
// a zero byte, so a damaged field gives at most fieldSize - 1 characters.
inline std::string GetFixedText(const std::uint8_t* field, std::size_t fieldSize) {
    const void* end = std::memchr(field, 0, fieldSize - 1);
    std::size_t length = end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - field)
                             : fieldSize - 1;
    return std::string(reinterpret_cast<const char*>(field), length);
}

} // namespace orv
