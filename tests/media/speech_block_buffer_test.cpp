#include "client/media/speech_block_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace orv {
namespace {

// n pieces whose bytes name the piece: piece k is filled with first + k.
std::vector<std::uint8_t> Pieces(std::size_t n, std::uint8_t first) {
    std::vector<std::uint8_t> pcm(n * kSpeechPieceBytes);
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] = static_cast<std::uint8_t>(first + i / kSpeechPieceBytes);
    }
    return pcm;
}

void ExpectBlock(const std::uint8_t* block, std::uint8_t first) {
    ASSERT_NE(block, nullptr);
    for (std::size_t i = 0; i < kSpeechBlockBytes; ++i) {
        ASSERT_EQ(block[i], static_cast<std::uint8_t>(first + i / kSpeechPieceBytes)) << i;
    }
}

TEST(SpeechBlockBuffer, PullsOnlyWholeThirtyMillisecondBlocks) {
    SpeechBlockBuffer buffer;
    EXPECT_EQ(buffer.Pull(), nullptr);
    auto two = Pieces(2, 1);
    buffer.Add(two.data(), 2);
    EXPECT_EQ(buffer.Pull(), nullptr);
    auto one = Pieces(1, 3);
    buffer.Add(one.data(), 1);
    ExpectBlock(buffer.Pull(), 1);
    EXPECT_EQ(buffer.Buffered(), 0u);
    EXPECT_EQ(buffer.Pull(), nullptr);
}

TEST(SpeechBlockBuffer, GrowingKeepsBufferedSpeechInOrderAcrossTheRingEnd) {
    SpeechBlockBuffer buffer;
    // Walk the read index around a six-piece ring first.
    for (std::uint8_t k = 0; k < 5; ++k) {
        auto block = Pieces(3, static_cast<std::uint8_t>(10 * k));
        buffer.Add(block.data(), 3);
        ExpectBlock(buffer.Pull(), static_cast<std::uint8_t>(10 * k));
    }
    auto two = Pieces(2, 100);
    buffer.Add(two.data(), 2); // two left over, e.g. from a short packet
    const std::size_t before = buffer.Capacity();
    auto many = Pieces(7, 102); // a long packet forces the ring to grow
    buffer.Add(many.data(), 7);
    EXPECT_GT(buffer.Capacity(), before);
    ExpectBlock(buffer.Pull(), 100);
    ExpectBlock(buffer.Pull(), 103);
    ExpectBlock(buffer.Pull(), 106);
    EXPECT_EQ(buffer.Pull(), nullptr);
    EXPECT_EQ(buffer.Buffered(), 0u);
}

} // namespace
} // namespace orv
