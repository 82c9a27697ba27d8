#include "client/data/scramble.h"

#include "wire/byte_order.h"

namespace orv {

namespace {

std::uint32_t BlockModulus(std::size_t length, std::uint32_t key) {
    return static_cast<std::uint32_t>(length % key);
}

} // namespace

void ScrambleBlock(std::uint8_t* data, std::size_t length, std::uint32_t key) {
    const std::uint32_t m = BlockModulus(length, key);
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i + 4 <= length; i += 4) {
        // m is 0 only for an empty or key-sized block; then every word but the first is kept.
        const std::uint32_t mask = i == 0 ? key : (m ? previous % m : 0);
        const std::uint32_t scrambled = GetU32LE(data + i) ^ mask;
        PutU32LE(data + i, scrambled);
        previous = scrambled;
    }
}

void UnscrambleBlock(std::uint8_t* data, std::size_t length, std::uint32_t key) {
    UnscrambleWithLength(data, length, length, key);
}

void UnscrambleWithLength(std::uint8_t* data, std::size_t length, std::size_t blockLength,
                          std::uint32_t key) {
    const std::uint32_t m = BlockModulus(blockLength, key);
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i + 4 <= length; i += 4) {
        const std::uint32_t scrambled = GetU32LE(data + i);
        const std::uint32_t mask = i == 0 ? key : (m ? previous % m : 0);
        PutU32LE(data + i, scrambled ^ mask);
        previous = scrambled;
    }
}

} // namespace orv
