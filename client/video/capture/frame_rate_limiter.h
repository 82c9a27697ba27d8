// Thins a camera's stream to the wanted frame rate. There is one limiter for the whole
// process; it is used only under the render filter's frame lock.
//
// The camera's own rate is measured over 3-second windows (every frame passes until the
// first window closes). When the camera is faster than the target the limiter passes and
// drops frames in runs: 30 fps with a target of 10 passes one frame and drops two.
#pragma once

#include <cstdint>

namespace orv {

// true = deliver this frame. targetRate 0 drops every frame. nowTick is the millisecond
// tick of the frame's arrival (wrap-around handled).
bool FrameRateLimiterPass(std::uint16_t targetRate, std::uint32_t nowTick);

// Puts the limiter back to the state of a fresh process.
void ResetFrameRateLimiter();

} // namespace orv
