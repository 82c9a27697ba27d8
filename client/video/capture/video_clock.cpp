#include "client/video/capture/video_clock.h"

namespace orv {

void VirtualVideoClock::WaitUntil(std::uint64_t deadlineUs, const std::atomic<bool>& stop) {
    if (stop.load()) return;
    std::uint64_t now = m_nowUs.load();
    while (now < deadlineUs && !m_nowUs.compare_exchange_weak(now, deadlineUs)) {
    }
}

} // namespace orv
