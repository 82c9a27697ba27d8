// Plays one sound at a time on a playback device, whole and looped, from three pieces of
// 480 samples (60 ms) used in rotation: each piece the device gives back is refilled with the
// next part of the sound, so a stop or a new sound is heard within three pieces. The device
// is held open with the format of the last sound it was opened for; sounds arrive already
// converted to the device's 8000 Hz mono 16-bit.
#pragma once

#include "client/audio/devices/audio_stream.h"
#include "client/audio/tones/wave.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv {

using DeviceSamples = std::shared_ptr<const std::vector<std::int16_t>>;

constexpr double kMaxDeviceSamples = 60.0 * 8000; // a minute

class WavePlayer {
public:
    static constexpr std::size_t kPieces = 3;
    static constexpr std::size_t kPieceSamples = 480;

    WavePlayer() = default;
    ~WavePlayer() { Close(); }
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    // Closes what is open and opens the named device for sounds of this format.
    bool Open(const std::string& deviceName, const WaveFormat& format);
    void Close();
    // Nothing more is handed to the device; what it holds plays out.
    void Stop();
    // Plays sound `plays` times (at least once) from its start, replacing the current sound.
    bool Play(DeviceSamples sound, std::uint64_t plays);

    bool IsOpen() const { return m_stream != nullptr; }
    const WaveFormat& Format() const { return m_format; }
    const std::string& DeviceName() const { return m_deviceName; }
    int OpenCount() const { return m_openCount; } // how often a device was opened
    bool IsPlaying();

private:
    struct Piece {
        AudioBuffer buffer;
        std::array<std::int16_t, kPieceSamples> samples{};
        bool atDevice = false;
    };
    void OnPieceDone(AudioBuffer* buffer);
    void FeedLocked(Piece& piece);

    // Owner's side (the tone player's lock): the stream object, its name and format.
    std::unique_ptr<AudioStream> m_stream;
    std::string m_deviceName;
    WaveFormat m_format;
    int m_openCount = 0;

    // Shared with the device's completion thread.
    std::mutex m_feedLock;
    AudioStream* m_live = nullptr; // m_stream while it may take pieces
    std::array<Piece, kPieces> m_pieces;
    DeviceSamples m_sound;
    std::uint64_t m_position = 0; // samples handed out, counted over all plays
    std::uint64_t m_end = 0;
};

// The sound in the device's format (8000 Hz mono 16-bit): 8-bit unsigned or 16-bit PCM of
// up to 8 channels at 1 Hz..768 kHz, channels averaged and the rate converted. nullptr for
// any other format, or when the result would be longer than kMaxDeviceSamples.
DeviceSamples ToDeviceSamples(const CWave& wave);

} // namespace orv
