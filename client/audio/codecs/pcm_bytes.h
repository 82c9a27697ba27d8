#pragma once

#include <cstdint>

namespace orv {

// 16-bit PCM samples as little-endian bytes, at any alignment.
inline int16_t ReadSample(const uint8_t* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

inline void WriteSample(uint8_t* p, int16_t sample) {
    const auto v = static_cast<uint16_t>(sample);
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}

} // namespace orv
