// The three process-wide picture slots that decoded remote video is drawn from: one per
// remote sender (a call uses slot 0; a conference up to three).
#pragma once

#include "client/media/bitmap_info_header.h"
#include "platform/thread.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

constexpr int kVideoFrameSlotCount = 3;

class VideoFrameSlot {
public:
    // Locks the slot and returns a buffer of at least `bytes` bytes (grown when smaller).
    // The holder fills it, sets Header() and calls Unlock().
    std::uint8_t* TakeBuffer(std::size_t bytes);
    void Lock() { m_lock.Lock(); }
    void Unlock() { m_lock.Unlock(); }

    // Guarded by the slot lock.
    BitmapInfoHeader& Header() { return m_header; }
    std::uint8_t* Buffer() { return m_buffer.data(); }
    std::size_t BufferSize() const { return m_buffer.size(); }

    // Which stream the slot serves: index -1 means free.
    int Index() const { return m_index.load(); }
    std::uint32_t Ssrc() const { return m_ssrc.load(); }
    void Assign(int index, std::uint32_t ssrc);
    void Free() { Assign(-1, 0); }

private:
    CriticalSection m_lock;
    BitmapInfoHeader m_header;
    std::vector<std::uint8_t> m_buffer;
    std::atomic<int> m_index{-1};
    std::atomic<std::uint32_t> m_ssrc{0};
};

// Slot 0..2; nullptr for any other number.
VideoFrameSlot* GetVideoFrameSlot(int number);

// The slot a video packet belongs to: slot 0 for a call; in a conference (multiStream) the
// first assigned slot serving the packet's SSRC. -1 when none does.
int SelectVideoSlot(bool multiStream, std::uint32_t ssrc);

} // namespace orv
