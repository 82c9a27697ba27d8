// One RIFF/WAVE sound: its 16-byte PCM format and its frames. Loaded from the built-in
// resources by name, or read from and written to a byte stream in the canonical 44-byte
// header layout ("RIFF", size, "WAVEfmt ", 16, format, "data", size, data).
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace orv {

struct WaveFormat {
    std::uint16_t formatTag = 1; // 1 = PCM
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;

    static constexpr std::size_t kBytes = 16;
    void Pack(std::uint8_t* out) const;
    static WaveFormat Unpack(const std::uint8_t* in);
    bool operator==(const WaveFormat&) const = default;
};

class CWave {
public:
    // The built-in resource of that name ("IDR_WAVE5", "IDR_WAVEBUSY", ...). 1 on success;
    // 0 and nothing changed when it is missing or not laid out canonically.
    int LoadResource(const std::string& name);
    // The same checks on a resource image from elsewhere.
    int LoadImage(const std::uint8_t* bytes, std::size_t size);

    // Reads a sound written by Write; false with "<streamName>: bad format ..." in error on
    // a mismatch or a stream that ends early. Nothing changes on failure.
    bool Read(std::istream& in, const std::string& streamName, std::string& error);
    void Write(std::ostream& out) const;

    const WaveFormat& Format() const { return m_format; }
    const std::vector<std::uint8_t>& Data() const { return m_data; }
    std::size_t FrameCount() const { return m_format.blockAlign ? m_data.size() / m_format.blockAlign : 0; }

private:
    void Assign(const WaveFormat& format, const std::uint8_t* data, std::size_t size);
    WaveFormat m_format;
    std::vector<std::uint8_t> m_data; // whole frames only
};

// Largest data chunk Read accepts (a minute of 48 kHz stereo 16-bit).
constexpr std::uint32_t kMaxWaveDataBytes = 48000u * 4u * 60u;

} // namespace orv
