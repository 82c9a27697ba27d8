// A clock for tests of the paced cameras: time jumps to each deadline at once, so a camera
// paced by it runs as fast as it can while its timestamps stay exactly what real time would
// give.
#pragma once

#include "platform/pacing_clock.h"

#include <atomic>
#include <cstdint>

namespace orv {

class VirtualVideoClock : public PacingClock {
  public:
    std::uint64_t NowUs() override { return m_nowUs.load(); }
    void WaitUntil(std::uint64_t deadlineUs, const std::atomic<bool>& stop) override;
    void WakeAll() override {} // nothing ever blocks on it
    // Moves time on, as a receiver that takes that long would.
    void Advance(std::uint64_t us) { m_nowUs += us; }

  private:
    std::atomic<std::uint64_t> m_nowUs{0};
};

} // namespace orv
