// The built-in camera that is always present: moving colour bars with a sweeping bar, and
// along the top of the picture a row of black and white blocks that carries the frame
// number, so the far end can read it back from the decoded picture (glass-to-glass delay).
#pragma once

#include "platform/pacing_clock.h"
#include "client/video/capture/video_source.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace orv {

// Bits of the frame number carried in the picture.
constexpr int kFrameNumberBits = 16;

// Draws test-pattern frame number n into a bottom-up RGB24 picture of the given size.
void DrawTestPattern(std::uint32_t frameNumber, int width, int height, std::uint8_t* bits);
// Reads the frame number (modulo 2^16) back from a picture drawn by DrawTestPattern, also
// after lossy coding; empty when the picture does not carry one (the code has a check bit
// pattern). Any size from 64 x 48 works.
std::optional<std::uint16_t> ReadTestPatternFrameNumber(const VideoFrame& frame);

std::unique_ptr<VideoSource>
OpenTestPatternCamera(const VideoFormat& format,
                      std::shared_ptr<PacingClock> clock = MonotonicPacingClock());

} // namespace orv
