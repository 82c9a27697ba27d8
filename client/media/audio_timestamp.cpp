#include "client/media/audio_timestamp.h"

#include <atomic>

namespace orv {

namespace {
std::atomic<std::uint32_t> g_audioTimestamp{0};
}

std::uint32_t TakeAudioTimestamp() {
    return g_audioTimestamp.fetch_add(kAudioSamplesPerPacket, std::memory_order_relaxed);
}

} // namespace orv
