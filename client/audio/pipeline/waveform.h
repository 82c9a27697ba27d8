// Drawing a speech block as a waveform into a window. The audio threads only decide when and
// where; the front-end installs the painter that draws (it is called on an audio thread and
// must hand the work to its UI thread).
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace orv {

constexpr std::uint8_t kWaveformRed = 0xC4, kWaveformGreen = 0x78, kWaveformBlue = 0x6A; // on black, 1 px

struct WaveformPoint {
    int x;
    int y;
};

// The polyline through x = width * i / count, y = h / 2 - (h / 2) * sample_i / 32767, with h
// the height rounded down to an even number.
std::vector<WaveformPoint> WaveformPolyline(int width, int height, const std::int16_t* samples, std::size_t count);

using WaveformPainter = std::function<void(HWND window, const std::int16_t* samples, std::size_t count)>;
void SetWaveformPainter(WaveformPainter painter);
// Calls the painter (if any) with the 240 samples of a 480-byte block.
void DrawWaveform(HWND window, const std::uint8_t* block);

} // namespace orv
