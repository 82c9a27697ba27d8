// Word-chaining scrambling of link payloads. Whole 32-bit little-endian words are XORed with
// a chaining value that starts at a fixed key and continues as (previous scrambled word mod
// payload length); the 0..3 trailing bytes stay as they are. Both directions derive the chain
// from the scrambled words, so Unscramble(Scramble(x)) == x.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

constexpr std::uint32_t kDatagramScrambleKey = 0x5B1D9E37;
constexpr std::uint32_t kStreamScrambleKey = 0x4E2A6C19;

// In place. Payloads shorter than 4 bytes are left unchanged.
void ScrambleWords(std::uint8_t* data, std::size_t size, std::uint32_t key);
void UnscrambleWords(std::uint8_t* data, std::size_t size, std::uint32_t key);

} // namespace orv
