// Re-blocks decoded speech: takes 10 ms pieces (160 bytes of 8000 Hz mono 16-bit PCM) and
// gives back 30 ms blocks (480 bytes), whatever the codec's frame length was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

constexpr std::size_t kSpeechPieceBytes = 160;
constexpr std::size_t kPiecesPerPull = 3;
constexpr std::size_t kSpeechBlockBytes = kSpeechPieceBytes * kPiecesPerPull;

class SpeechBlockBuffer {
public:
    // Adds pieceCount pieces of 160 bytes. The ring grows to hold them together with what is
    // still buffered; growing keeps the buffered pieces in order.
    void Add(const std::uint8_t* pcm, std::size_t pieceCount);
    // Copies the three oldest pieces into the output buffer and returns it; nullptr while
    // fewer than three are buffered. The buffer is overwritten by the next pull.
    const std::uint8_t* Pull();
    std::size_t Buffered() const { return m_count; }
    std::size_t Capacity() const { return m_capacity; }
    void Clear() { m_read = m_count = 0; }

private:
    void Grow(std::size_t capacity);
    std::uint8_t* Piece(std::size_t index) { return m_storage.data() + index * kSpeechPieceBytes; }

    std::vector<std::uint8_t> m_storage;
    std::size_t m_capacity = 0; // pieces
    std::size_t m_read = 0;     // oldest piece
    std::size_t m_count = 0;    // pieces buffered
    std::uint8_t m_output[kSpeechBlockBytes] = {};
};

} // namespace orv
