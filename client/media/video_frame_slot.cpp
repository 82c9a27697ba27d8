#include "client/media/video_frame_slot.h"

#include <array>

namespace orv {

namespace {
std::array<VideoFrameSlot, kVideoFrameSlotCount> g_slots;
}

std::uint8_t* VideoFrameSlot::TakeBuffer(std::size_t bytes) {
    m_lock.Lock();
    if (m_buffer.size() < bytes) m_buffer.resize(bytes);
    return m_buffer.data();
}

void VideoFrameSlot::Assign(int index, std::uint32_t ssrc) {
    m_index.store(index);
    m_ssrc.store(ssrc);
}

VideoFrameSlot* GetVideoFrameSlot(int number) {
    if (number < 0 || number >= kVideoFrameSlotCount) return nullptr;
    return &g_slots[static_cast<std::size_t>(number)];
}

int SelectVideoSlot(bool multiStream, std::uint32_t ssrc) {
    if (!multiStream) return 0;
    // Free slots (SSRC 0) serve nobody, not even a sender that calls itself 0.
    for (int i = 0; i < kVideoFrameSlotCount; ++i) {
        const VideoFrameSlot& slot = g_slots[static_cast<std::size_t>(i)];
        if (slot.Index() >= 0 && slot.Ssrc() == ssrc) return i;
    }
    return -1;
}

} // namespace orv
