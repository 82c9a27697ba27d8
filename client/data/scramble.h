// The client's own reversible scrambling of stored blocks (user list, call records, skin
// archives). The block is read as little-endian 32-bit words; each word is XORed with the
// key (first word) or with the previous scrambled word modulo M, where M is the block length
// modulo the key. A trailing part shorter than a word is left as it is.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

constexpr std::uint32_t kUserListKey = 0x4E2A6C19;
constexpr std::uint32_t kCallRecordKey = 0x4E2A6C19;
constexpr std::uint32_t kSkinArchiveKey = 0x5B1D9E37;

void ScrambleBlock(std::uint8_t* data, std::size_t length, std::uint32_t key);
void UnscrambleBlock(std::uint8_t* data, std::size_t length, std::uint32_t key);
// Unscrambles the first length bytes of a block that was scrambled with blockLength bytes
// (to read what is left of a block that was cut short).
void UnscrambleWithLength(std::uint8_t* data, std::size_t length, std::size_t blockLength,
                          std::uint32_t key);

} // namespace orv
