// The media side of the conference rooms: one audio and one video port for every room.
// A member's datagrams carry its endpoint as their source. A probe (or the first media) of a
// seated member tells where that member's medium comes from; later media count only from
// there. Audio of a connected member goes into its room's mixer; every 30 ms each room's mix
// goes out, one packet per connected member. A video datagram goes unchanged to every member
// that asked for that member's video. Everything else is dropped with a log line (a few a
// second at most).
#pragma once

#include "server/conference_rooms.h"
#include "server/server_log.h"
#include "server/talk_calls.h"

#include <functional>
#include <vector>

namespace orv {

class ConferenceMedia {
public:
    using SendFunction = std::function<void(Medium medium, const std::vector<std::uint8_t>& datagram,
                                            const MediaAddress& to)>;
    ConferenceMedia(ConfRoomTable& rooms, SendFunction send);

    void OnDatagram(Medium medium, const std::uint8_t* data, std::size_t size, const MediaAddress& from,
                    std::uint32_t now);
    // One 30 ms block of every room's mix.
    void MixAll();

    struct Counters {
        std::uint64_t mixedIn = 0;
        std::uint64_t mixedOut = 0;
        std::uint64_t videoForwarded = 0;
    };
    const Counters& Stats() const { return m_counters; }
    std::uint64_t Dropped() const { return m_dropLog.Count(); }

private:
    ConfRoomTable& m_rooms;
    SendFunction m_send;
    Counters m_counters;
    DropLog m_dropLog{"conference media"};
    std::array<std::vector<std::uint8_t>, kMixerSeats> m_out;
};

} // namespace orv
