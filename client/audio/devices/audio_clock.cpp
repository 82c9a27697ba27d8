#include "client/audio/devices/audio_clock.h"

#include <iterator>

namespace orv {

std::uint64_t ManualAudioClock::NowUs() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nowUs;
}

void ManualAudioClock::WaitUntil(std::uint64_t deadlineUs, const std::atomic<bool>& cancelled) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (cancelled.load() || m_nowUs >= deadlineUs) return;
    const auto entry = m_waitingDeadlines.insert(deadlineUs);
    m_cv.notify_all(); // WaitIdle may be waiting for this thread
    m_cv.wait(lock, [&] { return cancelled.load() || m_nowUs >= deadlineUs; });
    m_waitingDeadlines.erase(entry);
}

void ManualAudioClock::WakeAll() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cv.notify_all();
}

void ManualAudioClock::Join() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_joined;
}

void ManualAudioClock::Leave() {
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_joined;
    m_cv.notify_all();
}

void ManualAudioClock::Advance(std::uint64_t us) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nowUs += us;
        m_cv.notify_all();
    }
    WaitIdle();
}

void ManualAudioClock::WaitIdle() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [&] { return AllIdleLocked(); });
}

// A thread whose deadline has come still sits in the set until it runs; only waits for a
// time after now count as idle.
bool ManualAudioClock::AllIdleLocked() const {
    const auto future = m_waitingDeadlines.upper_bound(m_nowUs);
    return std::distance(future, m_waitingDeadlines.end()) >= m_joined;
}

namespace {
std::mutex g_clockLock;
std::shared_ptr<PacingClock> g_clock;
} // namespace

std::shared_ptr<PacingClock> CurrentAudioClock() {
    std::lock_guard<std::mutex> lock(g_clockLock);
    if (!g_clock) g_clock = MonotonicPacingClock();
    return g_clock;
}

void SetAudioClock(std::shared_ptr<PacingClock> clock) {
    std::lock_guard<std::mutex> lock(g_clockLock);
    g_clock = std::move(clock);
}

} // namespace orv
