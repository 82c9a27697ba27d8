// Millisecond tick and local time.
#pragma once

#include <cstdint>

namespace orv {

// Milliseconds from CLOCK_MONOTONIC, cut to 32 bits: wraps after about 49.7 days like the
// original platform's tick. Compare ticks only through TickDiff.
std::uint32_t GetTickCount();

// a - b as a signed 32-bit difference: correct across the wrap for spans under 24.8 days.
inline std::int32_t TickDiff(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b);
}

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond, dayOfWeek; // month 1..12, dayOfWeek 0 = Sunday
};
LocalTime GetLocalTime();

void Sleep(std::uint32_t ms);

} // namespace orv
