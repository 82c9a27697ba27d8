#include "tests/audio/audio_test_support.h"

#include "client/audio/devices/wav_reader.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace orv::test {
namespace {
void Le16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Le32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Tag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}
} // namespace

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orv-audio-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::vector<std::uint8_t> MakeWav(const WavLayout& format, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out;
    Tag(out, "RIFF");
    Le32(out, static_cast<std::uint32_t>(4 + 8 + 16 + 8 + data.size()));
    Tag(out, "WAVE");
    Tag(out, "fmt ");
    Le32(out, 16);
    Le16(out, format.formatTag);
    Le16(out, format.channels);
    Le32(out, format.rate);
    Le32(out, format.rate * format.channels * format.bits / 8);
    Le16(out, static_cast<std::uint16_t>(format.channels * format.bits / 8));
    Le16(out, format.bits);
    Tag(out, "data");
    Le32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<std::uint8_t> Pcm16Bytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out;
    for (std::int16_t s : samples) Le16(out, static_cast<std::uint16_t>(s));
    return out;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteWav8kMono(const std::string& path, const std::vector<std::int16_t>& samples) {
    WriteFile(path, MakeWav({}, Pcm16Bytes(samples)));
}

std::vector<std::int16_t> ReadWav8kMono(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    WavAudio audio;
    std::string error;
    if (!ParseWav(bytes.data(), bytes.size(), audio, error) || audio.sampleRate != 8000 || audio.channels != 1 ||
        audio.bitsPerSample != 16)
        throw std::runtime_error("not an 8 kHz mono 16-bit file: " + path + " " + error);
    std::vector<std::int16_t> samples;
    for (float f : audio.mono) samples.push_back(static_cast<std::int16_t>(f * 32768.0f));
    return samples;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace orv::test
