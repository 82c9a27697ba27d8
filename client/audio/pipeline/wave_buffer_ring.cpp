#include "client/audio/pipeline/wave_buffer_ring.h"

#include <new>

namespace orv {

std::unique_ptr<WaveBufferRing> WaveBufferRing::Create(std::size_t count, std::size_t bytes) {
    if (count < 2) return nullptr;
    try {
        std::unique_ptr<WaveBufferRing> ring(new WaveBufferRing);
        for (std::size_t i = 0; i < count; ++i) {
            auto buffer = std::make_unique<WaveBuffer>();
            buffer->data.assign(bytes, 0);
            buffer->header.data = buffer->data.data();
            buffer->header.bufferBytes = static_cast<std::uint32_t>(bytes);
            buffer->header.user = buffer.get();
            ring->m_buffers.push_back(std::move(buffer));
        }
        return ring;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

WaveBuffer* WaveBufferRing::TakeForFilling() {
    const std::size_t fill = m_fill.load();
    if (Next(fill) == m_release.load()) return nullptr;
    m_fill.store(Next(fill));
    return m_buffers[fill].get();
}

WaveBuffer* WaveBufferRing::TakeForSubmitting() {
    const std::size_t submit = m_submit.load();
    if (submit == m_fill.load()) return nullptr;
    m_submit.store(Next(submit));
    return m_buffers[submit].get();
}

WaveBuffer* WaveBufferRing::ReleaseCompleted() {
    const std::size_t release = m_release.load();
    if (release == m_fill.load()) return nullptr;
    m_release.store(Next(release));
    return m_buffers[release].get();
}

void PrepareWaveBuffer(WaveBuffer& buffer, WavePreparation direction) {
    buffer.preparation = WavePreparation::None;
    buffer.header.data = buffer.data.data();
    buffer.header.bufferBytes = static_cast<std::uint32_t>(buffer.data.size());
    buffer.header.bytesRecorded = 0;
    buffer.header.user = &buffer;
    buffer.preparation = direction;
}

} // namespace orv
