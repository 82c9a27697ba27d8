// Shared by the audio tests: temporary folders, WAV files of any format, waiting for a
// condition with a generous bound.
#pragma once

#include "client/audio/devices/audio_clock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

struct WavLayout {
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 8000;
    std::uint16_t bits = 16;
};

// RIFF/WAVE bytes with a fmt chunk and a data chunk holding data.
std::vector<std::uint8_t> MakeWav(const WavLayout& format, const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> Pcm16Bytes(const std::vector<std::int16_t>& samples);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFile(const std::string& path);
void WriteWav8kMono(const std::string& path, const std::vector<std::int16_t>& samples);
// The 16-bit samples of an 8000 Hz mono file written by the file device.
std::vector<std::int16_t> ReadWav8kMono(const std::string& path);

// Polls every millisecond for up to timeoutMs; true once condition holds.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// Installs a manual device clock for the lifetime of the object.
class ManualClockScope {
public:
    ManualClockScope() : clock(std::make_shared<ManualAudioClock>()) { SetAudioClock(clock); }
    ~ManualClockScope() { SetAudioClock(nullptr); }
    std::shared_ptr<ManualAudioClock> clock;
};

} // namespace orv::test
