// Writes what the file playback device plays as an 8000 Hz mono 16-bit WAV file. The header
// sizes are brought up to date after every write, so the file is valid even when the process
// is killed.
#pragma once

#include "client/audio/devices/paced_stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class WavWriter final : public SampleSink {
public:
    // Creates (truncates) the file; nullptr with a reason in error when it cannot.
    static std::unique_ptr<WavWriter> Create(const std::string& path, std::string& error);
    ~WavWriter() override;
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void Write(const std::int16_t* samples, std::size_t count) override;
    std::uint64_t DataBytes() const { return m_dataBytes; }

private:
    explicit WavWriter(int fd) : m_fd(fd) {}
    void UpdateSizes();
    int m_fd;
    std::vector<std::uint8_t> m_bytes; // little-endian copy of the samples being written
    std::uint64_t m_dataBytes = 0;
    bool m_failed = false;
};

} // namespace orv
