// The process-wide audio timestamp: a 32-bit sample counter, 0 at program start and never
// reset, so a new call's audio continues the previous call's timeline.
#pragma once

#include <cstdint>

namespace orv {

constexpr std::uint32_t kAudioSamplesPerPacket = 240;

// Returns the value for the next audio packet and advances the counter by 240 samples.
// Atomic, so several audio senders never hand out the same value.
std::uint32_t TakeAudioTimestamp();

} // namespace orv
