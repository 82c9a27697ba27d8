#include "client/audio/devices/resampler.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kZeroCrossings = 16; // kernel half-width in periods of the cut-off
constexpr int kTableSteps = 128;   // kernel table entries per input sample

std::int16_t ToInt16(double value) {
    const double scaled = std::round(value * 32768.0);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

// Low-pass kernel h(x) = 2fc sinc(2fc x) Blackman(x / halfWidth), tabulated for x >= 0.
std::vector<double> KernelTable(double cutoff, double halfWidth) {
    const std::size_t entries = static_cast<std::size_t>(std::ceil(halfWidth * kTableSteps)) + 2;
    std::vector<double> table(entries, 0.0);
    for (std::size_t i = 0; i < entries; ++i) {
        const double x = static_cast<double>(i) / kTableSteps;
        if (x >= halfWidth) break;
        const double arg = 2.0 * cutoff * x;
        const double sinc = arg == 0.0 ? 1.0 : std::sin(kPi * arg) / (kPi * arg);
        const double phase = kPi * (x / halfWidth + 1.0); // 0..2pi across the window
        const double window = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
        table[i] = 2.0 * cutoff * sinc * window;
    }
    return table;
}

} // namespace

std::vector<std::int16_t> Resample(const std::vector<float>& mono, int fromRate, int toRate) {
    std::vector<std::int16_t> out;
    if (fromRate <= 0 || toRate <= 0 || mono.empty()) return out;
    if (fromRate == toRate) {
        out.reserve(mono.size());
        for (float sample : mono) out.push_back(ToInt16(sample));
        return out;
    }
    const double step = static_cast<double>(fromRate) / toRate; // input samples per output sample
    const double cutoff = 0.5 * std::min(1.0, 1.0 / step) * 0.95;  // cycles per input sample
    const double halfWidth = kZeroCrossings / (2.0 * cutoff);      // in input samples
    const std::vector<double> table = KernelTable(cutoff, halfWidth);
    const auto outputs = static_cast<std::size_t>(std::floor((mono.size() - 1) / step)) + 1;
    const auto last = static_cast<std::ptrdiff_t>(mono.size()) - 1;
    out.reserve(outputs);
    for (std::size_t n = 0; n < outputs; ++n) {
        const double centre = static_cast<double>(n) * step;
        const auto first = std::max<std::ptrdiff_t>(0, static_cast<std::ptrdiff_t>(std::ceil(centre - halfWidth)));
        const auto end = std::min<std::ptrdiff_t>(last, static_cast<std::ptrdiff_t>(std::floor(centre + halfWidth)));
        double sum = 0.0;
        for (std::ptrdiff_t k = first; k <= end; ++k) {
            const double position = std::fabs(centre - static_cast<double>(k)) * kTableSteps;
            const auto index = static_cast<std::size_t>(position);
            if (index + 1 >= table.size()) continue;
            const double fraction = position - static_cast<double>(index);
            sum += mono[static_cast<std::size_t>(k)] * (table[index] + (table[index + 1] - table[index]) * fraction);
        }
        out.push_back(ToInt16(sum));
    }
    return out;
}

} // namespace orv
