// Auto- and manual-reset events on a mutex and a condition variable.
#include "platform/thread.h"

#include <chrono>

namespace orv {

Event::Event(bool manualReset, bool initiallySet) : m_manual(manualReset), m_set(initiallySet) {}

void Event::Set() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_set = true;
    // A manual-reset event releases every waiter; an auto-reset one releases exactly one.
    if (m_manual)
        m_cv.notify_all();
    else
        m_cv.notify_one();
}

void Event::Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_set = false;
}

bool Event::Wait(std::uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto isSet = [this] { return m_set; };
    if (timeoutMs == kInfinite) {
        m_cv.wait(lock, isSet);
    } else if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet)) {
        return false;
    }
    if (!m_manual)
        m_set = false;
    return true;
}

} // namespace orv
