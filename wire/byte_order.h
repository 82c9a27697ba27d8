// Multi-byte fields in a byte buffer, with the byte order in every name: LE for the
// little-endian server packets and stored files, BE for network byte order (media headers).
// The caller has checked that the bytes are there; ByteReader does that for parsers.
#pragma once

#include <cstdint>

namespace orv {

inline std::uint16_t GetU16LE(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetU32LE(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint16_t GetU16BE(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t GetU32BE(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(GetU16BE(p)) << 16) | GetU16BE(p + 2);
}

inline void PutU16LE(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32LE(std::uint8_t* p, std::uint32_t v) {
    PutU16LE(p, static_cast<std::uint16_t>(v));
    PutU16LE(p + 2, static_cast<std::uint16_t>(v >> 16));
}
inline void PutU16BE(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
inline void PutU32BE(std::uint8_t* p, std::uint32_t v) {
    PutU16BE(p, static_cast<std::uint16_t>(v >> 16));
    PutU16BE(p + 2, static_cast<std::uint16_t>(v));
}

} // namespace orv
