// The PCM block queue between a call's audio threads: a ring of 5 speech blocks (480 bytes,
// 30 ms of 8000 Hz mono 16-bit) with its own lock. A put never fails and never blocks: into
// a full ring it drops the oldest block, so readers always work on the newest 150 ms. A
// reader that sleeps until blocks arrive names an event that every put sets.
#pragma once

#include "client/audio/pipeline/speech_block_ports.h"
#include "platform/thread.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace orv {

constexpr std::size_t kPcmBlockBytes = 480;
constexpr std::size_t kPcmBlockSamples = kPcmBlockBytes / 2;
constexpr std::size_t kPcmQueueBlocks = 5;

class PcmBlockQueue final : public SpeechBlockSink, public SpeechBlockSource {
public:
    // As a sink it keeps arrival order and ignores the index; as a source it gives the oldest.
    void PutBlock(std::uint64_t, const std::uint8_t* block) override { Put(block); }
    bool PullBlock(std::uint8_t* block) override;
    void Put(const std::uint8_t* block);
    // Copies the oldest block into the output buffer and returns it; nullptr when empty. The
    // buffer is the queue's own and is overwritten by the next Get.
    const std::uint8_t* Get();
    void Clear();
    std::size_t Count();
    void SetPutSignal(Event* signal) override;

private:
    CriticalSection m_lock;
    std::array<std::array<std::uint8_t, kPcmBlockBytes>, kPcmQueueBlocks> m_slots{};
    std::array<std::uint8_t, kPcmBlockBytes> m_output{};
    std::size_t m_head = 0; // oldest block
    std::size_t m_count = 0;
    Event* m_putSignal = nullptr;
};

} // namespace orv
