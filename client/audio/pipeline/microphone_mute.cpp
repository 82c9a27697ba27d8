#include "client/audio/pipeline/microphone_mute.h"

#include <atomic>

namespace orv {
namespace {
std::atomic<bool> g_muted{false};
} // namespace

void SetMicrophoneMuted(bool muted) { g_muted.store(muted); }
bool MicrophoneMuted() { return g_muted.load(); }

} // namespace orv
