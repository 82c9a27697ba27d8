// Sample-rate conversion for the file capture device: band-limited (windowed-sinc)
// interpolation, so speech recorded at 44.1 or 48 kHz arrives at 8 kHz without aliasing.
#pragma once

#include <cstdint>
#include <vector>

namespace orv {

// mono at fromRate (full scale 1.0) to 16-bit samples at toRate; equal rates convert only
// the sample type (16-bit input comes back bit-exact).
std::vector<std::int16_t> Resample(const std::vector<float>& mono, int fromRate, int toRate);

} // namespace orv
