// What one receive thread believes about the peer of its call, so that a stranger who knows
// the call's media port cannot steer the sender:
// - the peer's SSRC (its EndpointID) is pinned by the first media that teaches the sender the
//   peer's address, or else by the first probe; a probe with another SSRC (or 0) is refused;
// - once the peer's media flow from a learned address, a probe from another address moves
//   the sender only after the learned address has been silent for kRebindSilenceMs: a
//   translator that gave the peer a new port, never a probe that races live media.
// Used by the receive thread only (no lock); the clock is the platform's millisecond tick
// unless a test installed its own before the guard was made.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orv {

class MediaPeerGuard {
public:
    static constexpr std::uint32_t kRebindSilenceMs = 2000;
    using TickSource = std::function<std::uint32_t()>;

    MediaPeerGuard(); // takes the clock installed now

    // Whether a probe from address:port carrying ssrc may re-point the sender. A probe that
    // does becomes the address the peer's media are expected from.
    bool AcceptProbe(const std::string& address, std::uint16_t port, std::uint32_t ssrc);
    // A media datagram arrived (before decoding): media from the expected address keep it alive.
    void OnMedia(const std::string& address, std::uint16_t port);
    // Whether the first decoded media (from address:port, carrying ssrc) may teach the sender
    // the peer's address; when it may, the address and the SSRC are the peer's from now on.
    bool AcceptLearned(const std::string& address, std::uint16_t port, std::uint32_t ssrc);

private:
    bool FromMediaSource(const std::string& address, std::uint16_t port) const {
        return m_mediaFlowing && address == m_mediaAddress && port == m_mediaPort;
    }

    TickSource m_tick;
    std::uint32_t m_peerSsrc = 0; // 0 = not known yet
    bool m_mediaFlowing = false;   // a learned address exists
    std::string m_mediaAddress;
    std::uint16_t m_mediaPort = 0;
    std::uint32_t m_lastMediaTick = 0;
};

// Tests: the clock of the guards made from now on (empty: the platform's tick again).
void SetMediaPeerClockForTest(MediaPeerGuard::TickSource tick);

} // namespace orv
