#include "client/audio/pipeline/pcm_block_queue.h"

#include <cstring>
#include <mutex>

namespace orv {

void PcmBlockQueue::Put(const std::uint8_t* block) {
    std::lock_guard<CriticalSection> lock(m_lock);
    if (m_count == kPcmQueueBlocks) { // full: the oldest block makes room
        m_head = (m_head + 1) % kPcmQueueBlocks;
        --m_count;
    }
    std::memcpy(m_slots[(m_head + m_count) % kPcmQueueBlocks].data(), block, kPcmBlockBytes);
    ++m_count;
    if (m_putSignal != nullptr) m_putSignal->Set();
}

const std::uint8_t* PcmBlockQueue::Get() {
    std::lock_guard<CriticalSection> lock(m_lock);
    if (m_count == 0) return nullptr;
    m_output = m_slots[m_head];
    m_head = (m_head + 1) % kPcmQueueBlocks;
    --m_count;
    return m_output.data();
}

bool PcmBlockQueue::PullBlock(std::uint8_t* block) {
    std::lock_guard<CriticalSection> lock(m_lock);
    if (m_count == 0) return false;
    std::memcpy(block, m_slots[m_head].data(), kPcmBlockBytes);
    m_head = (m_head + 1) % kPcmQueueBlocks;
    --m_count;
    return true;
}

void PcmBlockQueue::Clear() {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_head = 0;
    m_count = 0;
}

std::size_t PcmBlockQueue::Count() {
    std::lock_guard<CriticalSection> lock(m_lock);
    return m_count;
}

} // namespace orv

namespace orv {

void PcmBlockQueue::SetPutSignal(Event* signal) {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_putSignal = signal;
}

} // namespace orv
