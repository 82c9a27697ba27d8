#include "platform/pacing_clock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace orv {

namespace {

class MonotonicClock final : public PacingClock {
public:
    std::uint64_t NowUs() override {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void WaitUntil(std::uint64_t deadlineUs, const std::atomic<bool>& cancelled) override {
        const auto deadline = std::chrono::steady_clock::time_point(std::chrono::microseconds(deadlineUs));
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait_until(lock, deadline, [&] { return cancelled.load() || NowUs() >= deadlineUs; });
    }
    void WakeAll() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_cv.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

} // namespace

std::shared_ptr<PacingClock> MonotonicPacingClock() {
    static const auto clock = std::make_shared<MonotonicClock>();
    return clock;
}

} // namespace orv
