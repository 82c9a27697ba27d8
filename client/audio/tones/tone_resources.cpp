#include "client/audio/tones/tone_resources.h"

#include "client/audio/tones/wave.h"
#include "wire/byte_order.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <cstring>

namespace orv {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kToneRate = 8000;
constexpr int kAlertRate = 22050;
constexpr double kTonePeak = 64.0;    // 8-bit samples swing about 128 by this much
constexpr int kFadeSamples = 16;      // 2 ms ramps at each edge of a burst, so it does not click
constexpr int kProgressHz = 450;

// A burst of one or two sines at the given start and length, with ramps at both ends.
void AddBurst(std::vector<double>& signal, int start, int length, double hzA, double hzB, bool ramps) {
    const double amplitude = hzB > 0 ? kTonePeak / 2 : kTonePeak;
    for (int i = 0; i < length && start + i < static_cast<int>(signal.size()); ++i) {
        const double t = static_cast<double>(i) / kToneRate;
        double v = std::sin(2 * kPi * hzA * t);
        if (hzB > 0) v += std::sin(2 * kPi * hzB * t);
        double gain = 1.0;
        if (ramps) gain = std::min({1.0, (i + 0.5) / kFadeSamples, (length - i - 0.5) / kFadeSamples});
        signal[static_cast<std::size_t>(start + i)] += amplitude * gain * v;
    }
}

std::vector<std::uint8_t> Unsigned8(const std::vector<double>& signal) {
    std::vector<std::uint8_t> out(signal.size());
    std::transform(signal.begin(), signal.end(), out.begin(),
                   [](double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(128 + v), 0L, 255L)); });
    return out;
}

std::vector<std::uint8_t> Image(std::uint32_t rate, std::uint16_t bits, const std::vector<std::uint8_t>& data) {
    WaveFormat format;
    format.channels = 1;
    format.samplesPerSec = rate;
    format.bitsPerSample = bits;
    format.blockAlign = static_cast<std::uint16_t>(bits / 8);
    format.avgBytesPerSec = rate * format.blockAlign;
    std::vector<std::uint8_t> image(44 + data.size());
    const auto dataBytes = static_cast<std::uint32_t>(data.size());
    std::memcpy(image.data(), "RIFF", 4);
    PutU32LE(image.data() + 4, dataBytes + 36);
    std::memcpy(image.data() + 8, "WAVEfmt ", 8);
    PutU32LE(image.data() + 16, WaveFormat::kBytes);
    format.Pack(image.data() + 20);
    std::memcpy(image.data() + 36, "data", 4);
    PutU32LE(image.data() + 40, dataBytes);
    std::copy(data.begin(), data.end(), image.begin() + 44);
    return image;
}

std::vector<std::uint8_t> KeyTone(char key) {
    int low = 0, high = 0;
    DtmfPair(key, low, high);
    std::vector<double> signal(800);
    AddBurst(signal, 0, 800, low, high, true);
    return Image(kToneRate, 8, Unsigned8(signal));
}

// 450 Hz on for `on` samples, then silence, `total` samples in all.
std::vector<std::uint8_t> Cadence(int total, int on, bool ramps) {
    std::vector<double> signal(static_cast<std::size_t>(total));
    AddBurst(signal, 0, on, kProgressHz, 0, ramps);
    return Image(kToneRate, 8, Unsigned8(signal));
}

// Three falling chime strokes (E6, C6, G5), each a struck partial and its octave dying away.
std::vector<std::uint8_t> Alert() {
    constexpr int kSamples = 56666 / 2;
    const double strokes[][2] = {{0.0, 1318.5}, {0.32, 1046.5}, {0.64, 784.0}};
    std::vector<std::uint8_t> data(kSamples * 2);
    for (int i = 0; i < kSamples; ++i) {
        const double t = static_cast<double>(i) / kAlertRate;
        double v = 0;
        for (const auto& stroke : strokes) {
            const double s = t - stroke[0];
            if (s < 0) continue;
            const double envelope = std::min(1.0, s / 0.005) * std::exp(-s / 0.18);
            v += envelope * (std::sin(2 * kPi * stroke[1] * s) + 0.3 * std::sin(4 * kPi * stroke[1] * s));
        }
        v *= std::min(1.0, (kSamples - i) / (0.02 * kAlertRate)); // no click at the loop point
        const auto sample = static_cast<std::int16_t>(std::lround(std::clamp(v * 11000.0, -32767.0, 32767.0)));
        data[2 * static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(sample & 0xFF);
        data[2 * static_cast<std::size_t>(i) + 1] = static_cast<std::uint8_t>((sample >> 8) & 0xFF);
    }
    return Image(kAlertRate, 16, data);
}

std::map<std::string, std::vector<std::uint8_t>> BuildResources() {
    std::map<std::string, std::vector<std::uint8_t>> table;
    for (char key = '0'; key <= '9'; ++key) table[std::string(kWaveDigitPrefix) + key] = KeyTone(key);
    table[kWaveStar] = KeyTone('*');
    table[kWavePound] = KeyTone('#');
    table[kWaveDialTone] = Cadence(800, 800, false); // 45 whole periods: loops without a seam
    table[kWaveBusy] = Cadence(5600, 2800, true);
    table[kWaveRing] = Cadence(27947, 8000, true);
    table[kWaveAlert] = Alert();
    return table;
}

} // namespace

bool DtmfPair(char key, int& lowHz, int& highHz) {
    static constexpr int kRows[] = {697, 770, 852, 941};
    static constexpr int kColumns[] = {1209, 1336, 1477};
    static constexpr char kKeys[] = "123456789*0#";
    for (int i = 0; i < 12; ++i) {
        if (kKeys[i] == key) {
            lowHz = kRows[i / 3];
            highHz = kColumns[i % 3];
            return true;
        }
    }
    return false;
}

const std::vector<std::uint8_t>* FindWaveResource(const std::string& name) {
    static const std::map<std::string, std::vector<std::uint8_t>> table = BuildResources();
    const auto it = table.find(name);
    return it == table.end() ? nullptr : &it->second;
}

} // namespace orv
