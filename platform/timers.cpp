// Window timers: a WM_TIMER is posted when a timer is due, but never a second one while the
// first still waits in the queue, so a slow window is not buried under timer messages.
#include "platform/message_internal.h"

#include <algorithm>

namespace orv {
namespace {

auto FindTimer(ThreadQueue& q, HWND hwnd, std::uintptr_t id) {
    return std::find_if(q.timers.begin(), q.timers.end(),
                        [&](const WindowTimer& t) { return t.hwnd == hwnd && t.id == id; });
}

} // namespace

std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, std::uint32_t elapseMs) {
    std::shared_ptr<ThreadQueue> q = WindowQueue(hwnd);
    if (!q || id == 0)
        return 0;
    const std::int64_t period = std::int64_t{std::max<std::uint32_t>(elapseMs, 1)} * 1000000;
    std::lock_guard<std::mutex> lock(q->mutex);
    if (!q->alive)
        return 0;
    auto it = FindTimer(*q, hwnd, id);
    if (it == q->timers.end()) {
        q->timers.push_back(WindowTimer{hwnd, id, 0, 0, false});
        it = q->timers.end() - 1;
    }
    it->periodNs = period;
    it->dueNs = MonotonicNs() + period; // setting an existing timer restarts it
    q->RearmTimerLocked();
    return id;
}

bool KillTimer(HWND hwnd, std::uintptr_t id) {
    std::shared_ptr<ThreadQueue> q = WindowQueue(hwnd);
    if (!q)
        return false;
    std::lock_guard<std::mutex> lock(q->mutex);
    const auto it = FindTimer(*q, hwnd, id);
    if (it == q->timers.end())
        return false;
    q->timers.erase(it);
    // A killed timer never ticks again, not even with a message posted just before.
    std::erase_if(q->posted, [&](const MSG& m) { return m.hwnd == hwnd && m.message == WM_TIMER && m.wParam == id; });
    q->ResetSignalIfEmptyLocked();
    q->RearmTimerLocked();
    return true;
}

void FireDueTimersLocked(ThreadQueue& q, std::int64_t nowNs) {
    for (auto& t : q.timers) {
        if (t.dueNs > nowNs)
            continue;
        if (!t.pending) {
            q.PostLocked(MSG{t.hwnd, WM_TIMER, t.id, 0, MessageTime()});
            t.pending = true;
        }
        t.dueNs += t.periodNs;
        if (t.dueNs <= nowNs) // fell behind (thread was busy): no burst of catch-up ticks
            t.dueNs = nowNs + t.periodNs;
    }
}

void OnTimerRetrievedLocked(ThreadQueue& q, const MSG& msg) {
    const auto it = FindTimer(q, msg.hwnd, msg.wParam);
    if (it != q.timers.end())
        it->pending = false;
}

void RemoveWindowTimersLocked(ThreadQueue& q, HWND hwnd) {
    std::erase_if(q.timers, [hwnd](const WindowTimer& t) { return t.hwnd == hwnd; });
    q.RearmTimerLocked();
}

} // namespace orv
