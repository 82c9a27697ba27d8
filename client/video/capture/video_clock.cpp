#include "client/video/capture/video_clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace orv {

namespace {

class SteadyVideoClock : public VideoClock {
  public:
    std::uint64_t NowUs() override {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }
    void WaitUntil(std::uint64_t deadlineUs, const std::atomic<bool>& stop) override {
        constexpr std::uint64_t kSliceUs = 20000;
        for (std::uint64_t now = NowUs(); now < deadlineUs && !stop.load(); now = NowUs()) {
            std::this_thread::sleep_for(
                std::chrono::microseconds(std::min(deadlineUs - now, kSliceUs)));
        }
    }
};

} // namespace

std::shared_ptr<VideoClock> MonotonicVideoClock() {
    static const auto clock = std::make_shared<SteadyVideoClock>();
    return clock;
}

void VirtualVideoClock::WaitUntil(std::uint64_t deadlineUs, const std::atomic<bool>& stop) {
    if (stop.load()) return;
    std::uint64_t now = m_nowUs.load();
    while (now < deadlineUs && !m_nowUs.compare_exchange_weak(now, deadlineUs)) {
    }
}

} // namespace orv
