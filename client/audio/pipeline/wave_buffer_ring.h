// A ring of wave buffers handed to a sound device in turn. Three indices walk the ring:
// fill (next buffer to fill), submit (next filled buffer to hand to the device) and release
// (oldest buffer still with the device). The indices are atomic because a device's completion
// thread moves release while the owner moves fill and submit.
#pragma once

#include "client/audio/devices/audio_stream.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

enum class WavePreparation { None, Input, Output };

struct WaveBuffer {
    std::vector<std::uint8_t> data;
    AudioBuffer header; // points at data, with this buffer as user data
    WavePreparation preparation = WavePreparation::None;
};

class WaveBufferRing {
public:
    // count >= 2 buffers of bytes each; nullptr when allocation fails.
    static std::unique_ptr<WaveBufferRing> Create(std::size_t count, std::size_t bytes);

    WaveBuffer* TakeForFilling();    // nullptr when the ring is full
    WaveBuffer* TakeForSubmitting(); // nullptr when every filled buffer was submitted
    WaveBuffer* ReleaseCompleted();  // nullptr when nothing is outstanding
    bool IsEmpty() const { return m_release.load() == m_fill.load(); }
    bool IsFull() const { return m_release.load() == Next(m_fill.load()); }
    std::size_t Size() const { return m_buffers.size(); }
    // Buffers filled and not yet released (with the device, or filled and held back).
    std::size_t Filled() const { return (m_fill.load() + m_buffers.size() - m_release.load()) % m_buffers.size(); }

private:
    WaveBufferRing() = default;
    std::size_t Next(std::size_t index) const { return (index + 1) % m_buffers.size(); }
    std::vector<std::unique_ptr<WaveBuffer>> m_buffers;
    std::atomic<std::size_t> m_release{0};
    std::atomic<std::size_t> m_fill{0};
    std::atomic<std::size_t> m_submit{0};
};

// Makes the buffer's header ready for a device in the given direction, undoing an earlier
// preparation first.
void PrepareWaveBuffer(WaveBuffer& buffer, WavePreparation direction);

} // namespace orv
