#include "linkcommon/word_scramble.h"

#include "wire/byte_order.h"

namespace orv {

namespace {

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
        const std::uint32_t scrambled = GetU32LE(data + at) ^ chain;
        PutU32LE(data + at, scrambled);
        chain = NextChain(scrambled, modulus);
    }
}

void UnscrambleWords(std::uint8_t* data, std::size_t size, std::uint32_t key) {
    const std::uint32_t modulus = ChainModulus(size, key);
    std::uint32_t chain = key;
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        const std::uint32_t scrambled = GetU32LE(data + at);
        PutU32LE(data + at, scrambled ^ chain);
        chain = NextChain(scrambled, modulus);
    }
}

} // namespace orv
