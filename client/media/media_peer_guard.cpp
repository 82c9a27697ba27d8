#include "client/media/media_peer_guard.h"

#include "platform/tick.h"

#include <mutex>

namespace orv {

namespace {
std::mutex g_clockLock;
MediaPeerGuard::TickSource g_testClock;
} // namespace

void SetMediaPeerClockForTest(MediaPeerGuard::TickSource tick) {
    std::lock_guard<std::mutex> lock(g_clockLock);
    g_testClock = std::move(tick);
}

MediaPeerGuard::MediaPeerGuard() {
    std::lock_guard<std::mutex> lock(g_clockLock);
    m_tick = g_testClock ? g_testClock : TickSource([] { return GetTickCount(); });
}

bool MediaPeerGuard::AcceptProbe(const std::string& address, std::uint16_t port, std::uint32_t ssrc) {
    if (ssrc == 0 || (m_peerSsrc != 0 && ssrc != m_peerSsrc)) return false;
    if (m_mediaFlowing && !FromMediaSource(address, port)) {
        // Unsigned difference: a tick that wrapped still measures the silence.
        if (m_tick() - m_lastMediaTick < kRebindSilenceMs) return false;
        m_mediaAddress = address; // the peer's media are expected from its new address
        m_mediaPort = port;
        m_lastMediaTick = m_tick();
    }
    m_peerSsrc = ssrc;
    return true;
}

void MediaPeerGuard::OnMedia(const std::string& address, std::uint16_t port) {
    if (FromMediaSource(address, port)) m_lastMediaTick = m_tick();
}

bool MediaPeerGuard::AcceptLearned(const std::string& address, std::uint16_t port, std::uint32_t ssrc) {
    if (m_peerSsrc != 0 && ssrc != m_peerSsrc) return false;
    m_peerSsrc = ssrc;
    m_mediaFlowing = true;
    m_mediaAddress = address;
    m_mediaPort = port;
    m_lastMediaTick = m_tick();
    return true;
}

} // namespace orv
