#include "linkcommon/send_queue.h"

#include <algorithm>

namespace orv {

Admission SendQueue::Enqueue(OutgoingRecord record) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bytes > m_highWater) return Admission::Full;
    m_bytes += record.bytes.size() - std::min(record.sent, record.bytes.size());
    m_records.push_back(std::move(record));
    return m_sending ? Admission::Queued : Admission::SendNow;
}

bool SendQueue::Drain(bool ready, const Transmit& transmit) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!ready) return false;
    while (!m_records.empty()) {
        m_sending = true;
        OutgoingRecord& head = m_records.front();
        const std::size_t piece = std::min(m_maxPiece, head.bytes.size() - head.sent);
        const SendAttempt attempt = transmit(head, head.bytes.data() + head.sent, piece);
        if (attempt.outcome == SendOutcome::WouldBlock) return true;
        if (attempt.outcome == SendOutcome::Failed) {
            DropHead();
            continue;
        }
        const std::size_t taken = std::min(attempt.count, piece);
        head.sent += taken;
        m_bytes -= taken;
        if (head.sent >= head.bytes.size()) DropHead();
    }
    m_sending = false;
    return false;
}

void SendQueue::DropHead() {
    const OutgoingRecord& head = m_records.front();
    m_bytes -= head.bytes.size() - std::min(head.sent, head.bytes.size());
    m_records.pop_front();
}

void SendQueue::Clear(const std::function<void()>& alsoUnderLock) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.clear();
    m_bytes = 0;
    m_sending = false;
    if (alsoUnderLock) alsoUnderLock();
}

std::size_t SendQueue::Size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records.size();
}

std::size_t SendQueue::BytesWaiting() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

bool SendQueue::Sending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sending;
}

} // namespace orv
