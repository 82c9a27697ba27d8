#include "client/audio/tones/wave_player.h"

#include "client/audio/devices/resampler.h"
#include "wire/byte_order.h"

#include <algorithm>

namespace orv {

bool WavePlayer::Open(const std::string& deviceName, const WaveFormat& format) {
    Close();
    m_stream = OpenPlaybackStream(deviceName, [this](AudioBuffer* buffer) { OnPieceDone(buffer); });
    if (!m_stream) return false;
    ++m_openCount;
    m_deviceName = deviceName;
    m_format = format;
    std::lock_guard<std::mutex> lock(m_feedLock);
    m_live = m_stream.get();
    return true;
}

void WavePlayer::Close() {
    {
        std::lock_guard<std::mutex> lock(m_feedLock);
        m_live = nullptr;
        m_position = m_end;
    }
    if (m_stream) m_stream->Close(); // no completion runs after this; pieces come back unplayed
    m_stream.reset();
    std::lock_guard<std::mutex> lock(m_feedLock);
    for (Piece& piece : m_pieces) piece.atDevice = false;
    m_sound.reset();
}

void WavePlayer::Stop() {
    std::lock_guard<std::mutex> lock(m_feedLock);
    m_position = m_end;
}

bool WavePlayer::Play(DeviceSamples sound, std::uint64_t plays) {
    if (!sound || sound->empty()) return false;
    std::lock_guard<std::mutex> lock(m_feedLock);
    if (m_live == nullptr) return false;
    m_sound = std::move(sound);
    m_position = 0;
    m_end = m_sound->size() * std::max<std::uint64_t>(plays, 1);
    for (Piece& piece : m_pieces) {
        if (!piece.atDevice) FeedLocked(piece);
    }
    return std::any_of(m_pieces.begin(), m_pieces.end(), [](const Piece& p) { return p.atDevice; });
}

bool WavePlayer::IsPlaying() {
    std::lock_guard<std::mutex> lock(m_feedLock);
    return m_position < m_end ||
           std::any_of(m_pieces.begin(), m_pieces.end(), [](const Piece& p) { return p.atDevice; });
}

void WavePlayer::FeedLocked(Piece& piece) {
    piece.atDevice = false;
    if (m_live == nullptr || !m_sound || m_position >= m_end) return;
    const std::vector<std::int16_t>& sound = *m_sound;
    std::size_t filled = 0;
    while (filled < kPieceSamples && m_position < m_end) {
        const std::size_t offset = static_cast<std::size_t>(m_position % sound.size());
        const std::size_t count = static_cast<std::size_t>(
            std::min<std::uint64_t>({kPieceSamples - filled, sound.size() - offset, m_end - m_position}));
        std::copy_n(sound.begin() + static_cast<std::ptrdiff_t>(offset), count, piece.samples.begin() + filled);
        filled += count;
        m_position += count;
    }
    piece.buffer.data = reinterpret_cast<std::uint8_t*>(piece.samples.data());
    piece.buffer.bufferBytes = static_cast<std::uint32_t>(filled * sizeof(std::int16_t));
    piece.buffer.user = &piece;
    piece.atDevice = m_live->Submit(&piece.buffer);
}

void WavePlayer::OnPieceDone(AudioBuffer* buffer) {
    std::lock_guard<std::mutex> lock(m_feedLock);
    FeedLocked(*static_cast<Piece*>(buffer->user));
}

DeviceSamples ToDeviceSamples(const CWave& wave) {
    const WaveFormat& f = wave.Format();
    const bool bitsOk = f.bitsPerSample == 8 || f.bitsPerSample == 16;
    if (f.formatTag != 1 || !bitsOk || f.channels < 1 || f.channels > 8 || f.samplesPerSec < 1 ||
        f.samplesPerSec > 768000 || f.blockAlign != f.channels * f.bitsPerSample / 8)
        return nullptr;
    const std::vector<std::uint8_t>& data = wave.Data();
    const std::size_t frames = wave.FrameCount();
    if (static_cast<double>(frames) * kAudioSampleRate / f.samplesPerSec > kMaxDeviceSamples) return nullptr;
    std::vector<float> mono(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const std::uint8_t* frame = data.data() + i * f.blockAlign;
        float sum = 0;
        for (int c = 0; c < f.channels; ++c) {
            sum += f.bitsPerSample == 8 ? (frame[c] - 128) / 128.0f
                                        : static_cast<std::int16_t>(GetU16LE(frame + 2 * c)) / 32768.0f;
        }
        mono[i] = sum / static_cast<float>(f.channels);
    }
    return std::make_shared<const std::vector<std::int16_t>>(
        Resample(mono, static_cast<int>(f.samplesPerSec), kAudioSampleRate));
}

} // namespace orv
