// The clock that paces the file and test-pattern cameras. Real runs use the monotonic clock;
// tests give a virtual clock so that pacing is decided by the test, not by the scheduler.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace orv {

class VideoClock {
  public:
    virtual ~VideoClock() = default;
    virtual std::uint64_t NowUs() = 0;
    // Waits until NowUs() >= deadlineUs or stop becomes true (checked at least every 20 ms).
    virtual void WaitUntil(std::uint64_t deadlineUs, const std::atomic<bool>& stop) = 0;
};

std::shared_ptr<VideoClock> MonotonicVideoClock();

// Time jumps to each deadline at once: a camera paced by it runs as fast as it can while its
// timestamps stay exactly what real time would give.
class VirtualVideoClock : public VideoClock {
  public:
    std::uint64_t NowUs() override { return m_nowUs.load(); }
    void WaitUntil(std::uint64_t deadlineUs, const std::atomic<bool>& stop) override;
    // Moves time on, as a receiver that takes that long would.
    void Advance(std::uint64_t us) { m_nowUs += us; }

  private:
    std::atomic<std::uint64_t> m_nowUs{0};
};

} // namespace orv
