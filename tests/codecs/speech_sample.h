#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv::testing {

// A few seconds of synthetic speech (8000 Hz, 16-bit mono), made with
// espeak-ng and sox in a temporary folder. Empty, with the reason in
// whyMissing, when the tools are not installed.
std::vector<int16_t> MakeSpeech(std::string& whyMissing);

// Mean over 10 ms segments of the SNR of output (delayed by delay samples)
// against input. Each segment's SNR is clamped to [-10, 35] dB and segments
// quieter than -50 dBFS are left out, as usual for this measure.
double SegmentalSnr(const std::vector<int16_t>& input, const std::vector<int16_t>& output,
                    int delay);

// The best segmental SNR over delays 0..maxDelay; the delay is returned too.
double BestSegmentalSnr(const std::vector<int16_t>& input, const std::vector<int16_t>& output,
                        int maxDelay, int* delay = nullptr);

} // namespace orv::testing
