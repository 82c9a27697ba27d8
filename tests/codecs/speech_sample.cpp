#include "tests/codecs/speech_sample.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace orv::testing {

namespace {

bool HasTool(const char* name) {
    const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace

std::vector<int16_t> MakeSpeech(std::string& whyMissing) {
    for (const char* tool : {"espeak-ng", "sox"}) {
        if (!HasTool(tool)) {
            whyMissing = std::string(tool) + " is not installed; speech round trips need it";
            return {};
        }
    }
    char pattern[] = "/tmp/orv-codecs-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (folder == nullptr) {
        whyMissing = "cannot create a temporary folder";
        return {};
    }
    const std::string dir = folder;
    // Two voices, so both a low and a high pitch range are covered.
    const std::string command =
        "espeak-ng -v en -s 150 -w " + dir +
        "/a.wav "
        "'The quick brown fox jumps over the lazy dog. Please call me back at seven thirty.' && "
        "espeak-ng -v en+f3 -s 160 -w " +
        dir +
        "/b.wav "
        "'She sells sea shells by the sea shore, and the shells are surely sea shells.' && "
        "sox " +
        dir + "/a.wav " + dir + "/b.wav -r 8000 -c 1 -b 16 -e signed-integer -t raw " + dir +
        "/speech.raw norm -3 2>/dev/null";
    std::vector<int16_t> samples;
    if (std::system(command.c_str()) == 0) {
        std::ifstream in(dir + "/speech.raw", std::ios::binary);
        int16_t s = 0;
        while (in.read(reinterpret_cast<char*>(&s), sizeof(s)))
            samples.push_back(s);
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    if (samples.empty()) whyMissing = "espeak-ng/sox produced no speech";
    return samples;
}

double SegmentalSnr(const std::vector<int16_t>& input, const std::vector<int16_t>& output,
                    int delay) {
    constexpr int kSegment = 80;
    constexpr double kQuiet = kSegment * 104.0 * 104.0; // -50 dBFS
    double total = 0;
    int segments = 0;
    for (size_t start = 0;
         start + kSegment <= input.size() && start + kSegment + delay <= output.size();
         start += kSegment) {
        double signal = 0;
        double noise = 0;
        for (int n = 0; n < kSegment; ++n) {
            const double x = input[start + n];
            const double y = output[start + n + delay];
            signal += x * x;
            noise += (x - y) * (x - y);
        }
        if (signal < kQuiet) continue;
        total += std::clamp(10 * std::log10(signal / std::max(noise, 1.0)), -10.0, 35.0);
        ++segments;
    }
    return segments == 0 ? -100.0 : total / segments;
}

double BestSegmentalSnr(const std::vector<int16_t>& input, const std::vector<int16_t>& output,
                        int maxDelay, int* delay) {
    double best = -1000;
    for (int d = 0; d <= maxDelay; ++d) {
        const double snr = SegmentalSnr(input, output, d);
        if (snr > best) {
            best = snr;
            if (delay != nullptr) *delay = d;
        }
    }
    return best;
}

} // namespace orv::testing
