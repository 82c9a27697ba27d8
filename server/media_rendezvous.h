// The media rendezvous: one shared UDP port for audio and one for video, announced to both
// parties of every call as the peer's media addresses. Datagrams are routed per call:
// - OpenUDPChannel (CallID, channel, endpoint) tells it where a party's medium comes from;
// - a probe (12 bytes, sequence 0xFFFF) whose SSRC is a party's endpoint does the same for a
//   party not learned yet;
// - a media packet from a learned address, with that party's endpoint as its SSRC, goes to
//   the other party's learned address of the same medium, or back to the sender under the
//   service's source on an echo call.
// Everything else (unknown call or address, wrong channel, bad length, foreign SSRC) is
// dropped with a log line (at most a few per second, so a flood cannot fill the log).
#pragma once

#include "server/echo_service.h"
#include "server/server_log.h"
#include "server/talk_calls.h"

#include <cstdint>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

namespace orv {

class MediaRendezvous {
public:
    using SendFunction = std::function<void(Medium medium, const std::vector<std::uint8_t>& datagram,
                                            const MediaAddress& to)>;
    MediaRendezvous(TalkCallTable& calls, SendFunction send);

    void OnDatagram(Medium medium, const std::uint8_t* data, std::size_t size, const MediaAddress& from,
                    std::uint32_t now);
    // Forgets the routes of calls that ended or are gone.
    void Sweep();

    struct Counters {
        std::uint64_t learned = 0;
        std::uint64_t forwarded = 0;
        std::uint64_t echoed = 0;
    };
    const Counters& Stats() const { return m_counters; }
    std::uint64_t Dropped() const { return m_dropLog.Count(); }

private:
    struct Route {
        std::uint32_t callId;
        Side side;
    };
    using RouteKey = std::tuple<int, std::uint32_t, std::uint16_t>; // medium, ip, port

    void OnChannelOpen(Medium medium, const UdpChannelOpen& open, const MediaAddress& from, std::uint32_t now);
    void OnProbe(Medium medium, std::uint32_t ssrc, const MediaAddress& from, std::uint32_t now);
    void OnMedia(Medium medium, const std::uint8_t* data, std::size_t size, const MediaAddress& from,
                 std::uint32_t now);
    void Learn(TalkCall& call, Side side, Medium medium, const MediaAddress& from);
    static RouteKey Key(Medium medium, const MediaAddress& a) {
        return {static_cast<int>(medium), a.ip, a.port};
    }

    TalkCallTable& m_calls;
    SendFunction m_send;
    std::map<RouteKey, Route> m_routes;
    Counters m_counters;
    DropLog m_dropLog{"media"};
};

} // namespace orv
