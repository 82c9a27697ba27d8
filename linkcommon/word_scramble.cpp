#include "linkcommon/word_scramble.h"

namespace orv {

namespace {

std::uint32_t LoadLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void StoreLE32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

// The chain modulus is the payload length reduced by the key; it is the length itself for
// every payload the libraries accept. A length that is an exact multiple of the key (only
// possible above 1.5 GB) would give 0; the chain then carries the scrambled word unreduced.
std::uint32_t ChainModulus(std::size_t size, std::uint32_t key) {
    return static_cast<std::uint32_t>(size % key);
}

std::uint32_t NextChain(std::uint32_t scrambledWord, std::uint32_t modulus) {
    return modulus == 0 ? scrambledWord : scrambledWord % modulus;
}

} // namespace

void ScrambleWords(std::uint8_t* data, std::size_t size, std::uint32_t key) {
    const std::uint32_t modulus = ChainModulus(size, key);
    std::uint32_t chain = key;
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        const std::uint32_t scrambled = LoadLE32(data + at) ^ chain;
        StoreLE32(data + at, scrambled);
        chain = NextChain(scrambled, modulus);
    }
}

void UnscrambleWords(std::uint8_t* data, std::size_t size, std::uint32_t key) {
    const std::uint32_t modulus = ChainModulus(size, key);
    std::uint32_t chain = key;
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        const std::uint32_t scrambled = LoadLE32(data + at);
        StoreLE32(data + at, scrambled ^ chain);
        chain = NextChain(scrambled, modulus);
    }
}

} // namespace orv
