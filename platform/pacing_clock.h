// The clock that paces the devices with no clock of their own: the file and null sound
// devices, the file and test-pattern cameras. Real runs use the monotonic clock; tests give
// a clock of their own so that pacing is decided by the test, not by the scheduler.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace orv {

class PacingClock {
public:
    virtual ~PacingClock() = default;
    virtual std::uint64_t NowUs() = 0;
    // Blocks until NowUs() >= deadlineUs or cancelled is true (the canceller calls WakeAll).
    virtual void WaitUntil(std::uint64_t deadlineUs, const std::atomic<bool>& cancelled) = 0;
    virtual void WakeAll() = 0;
    // A device thread announces itself while it runs, so a manual clock can tell when every
    // device has caught up with the time it was given.
    virtual void Join() {}
    virtual void Leave() {}
};

// The monotonic clock, one for the whole process.
std::shared_ptr<PacingClock> MonotonicPacingClock();

} // namespace orv
