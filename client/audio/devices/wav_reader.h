// WAV file reader for the file capture device. Files come from anywhere: every chunk size
// and offset is checked against the bytes actually present.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

struct WavAudio {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    bool isFloat = false;
    std::vector<float> mono; // channels averaged, full scale = 1.0
};

// Accepts PCM 8/16/24/32-bit and IEEE float 32/64-bit, plain or extensible format, 1..32
// channels, 1 Hz..768 kHz. A data chunk that claims more bytes than the file holds is read as
// far as it goes. false with a reason in error for anything else.
bool ParseWav(const std::uint8_t* bytes, std::size_t size, WavAudio& audio, std::string& error);
bool ReadWavFile(const std::string& path, WavAudio& audio, std::string& error);

// Largest file the reader loads (about 5 minutes of 48 kHz stereo 24-bit).
constexpr std::size_t kMaxWavFileBytes = 64u * 1024u * 1024u;

} // namespace orv
