// The clock of the file and null devices: the monotonic clock, or a manual clock a test
// installs so that device timing is decided by the test, not by the scheduler.
#pragma once

#include "platform/pacing_clock.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>

namespace orv {

// Time moves only when Advance is called. Advance returns once every joined device thread is
// waiting for a later time, i.e. has done everything that was due.
class ManualAudioClock : public PacingClock {
public:
    std::uint64_t NowUs() override;
    void WaitUntil(std::uint64_t deadlineUs, const std::atomic<bool>& cancelled) override;
    void WakeAll() override;
    void Join() override;
    void Leave() override;

    void Advance(std::uint64_t us);
    // Waits until every joined device thread is waiting for a time after now.
    void WaitIdle();

private:
    bool AllIdleLocked() const;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::uint64_t m_nowUs = 0;
    int m_joined = 0;
    std::multiset<std::uint64_t> m_waitingDeadlines; // one entry per blocked thread
};

// The clock devices opened from now on use (the monotonic clock unless one was installed).
std::shared_ptr<PacingClock> CurrentAudioClock();
// Installs a clock for devices opened later; nullptr goes back to the monotonic clock.
void SetAudioClock(std::shared_ptr<PacingClock> clock);

} // namespace orv
