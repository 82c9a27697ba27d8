#include "udplink/send_queue.h"

#include <algorithm>

namespace orv {

bool SendQueue::Enqueue(OutgoingRecord record) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.push_back(std::move(record));
    return !m_sending;
}

bool SendQueue::Step(bool ready, const Transmit& transmit) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_records.empty() || !ready) return false;
    m_sending = true;
    OutgoingRecord& head = m_records.front();
    const std::size_t piece = std::min(m_maxPiece, head.bytes.size() - head.sent);
    const SendAttempt attempt = transmit(head, head.bytes.data() + head.sent, piece);
    switch (attempt.outcome) {
    case SendOutcome::WouldBlock:
        return true;
    case SendOutcome::Failed:
        m_records.pop_front();
        break;
    case SendOutcome::Sent:
        head.sent += std::min(attempt.count, piece);
        if (head.sent >= head.bytes.size()) m_records.pop_front();
        break;
    }
    m_sending = false;
    return !m_records.empty();
}

void SendQueue::Clear(const std::function<void()>& alsoUnderLock) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.clear();
    m_sending = false;
    if (alsoUnderLock) alsoUnderLock();
}

std::size_t SendQueue::Size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records.size();
}

bool SendQueue::Sending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sending;
}

} // namespace orv
