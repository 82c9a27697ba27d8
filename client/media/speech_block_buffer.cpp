#include "client/media/speech_block_buffer.h"

#include <cstring>

namespace orv {

void SpeechBlockBuffer::Grow(std::size_t capacity) {
    std::vector<std::uint8_t> storage(capacity * kSpeechPieceBytes);
    for (std::size_t i = 0; i < m_count; ++i) {
        std::memcpy(storage.data() + i * kSpeechPieceBytes, Piece((m_read + i) % m_capacity),
                    kSpeechPieceBytes);
    }
    m_storage.swap(storage);
    m_capacity = capacity;
    m_read = 0;
}

void SpeechBlockBuffer::Add(const std::uint8_t* pcm, std::size_t pieceCount) {
    if (pcm == nullptr || pieceCount == 0) return;
    // Room for the new pieces, what is buffered, and one pull's worth of slack.
    if (m_capacity < m_count + pieceCount + kPiecesPerPull) {
        Grow(m_count + pieceCount + kPiecesPerPull);
    }
    for (std::size_t i = 0; i < pieceCount; ++i) {
        std::memcpy(Piece((m_read + m_count) % m_capacity), pcm + i * kSpeechPieceBytes,
                    kSpeechPieceBytes);
        ++m_count;
    }
}

const std::uint8_t* SpeechBlockBuffer::Pull() {
    if (m_count < kPiecesPerPull) return nullptr;
    for (std::size_t i = 0; i < kPiecesPerPull; ++i) {
        std::memcpy(m_output + i * kSpeechPieceBytes, Piece(m_read), kSpeechPieceBytes);
        m_read = (m_read + 1) % m_capacity;
        --m_count;
    }
    return m_output;
}

} // namespace orv
