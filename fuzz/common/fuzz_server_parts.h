// What the server fuzz targets share: a quiet log, the checks on what a server sends and
// closes, set-ups with codec lists from the input, and every link going and coming back.
#pragma once

#include "linkcommon/link_event.h"
#include "server/server_log.h"
#include "server/talk_packets.h"
#include "wire/packet_header.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace orv {

// Turns the server log off once for the whole run (its lines would drown the fuzzer's).
inline void QuietServerLogOnce() {
    static const bool quiet = [] {
        SetServerLogEnabled(false);
        return true;
    }();
    (void)quiet;
}

// A link the target did not open (handles 1..links) is a fault.
inline void CheckLink(LinkHandle link, LinkHandle links) {
    if (link < 1 || link > links) std::abort();
}

// Everything a server sends goes to a link of the target's and parses; returns its type.
inline std::uint16_t CheckSent(LinkHandle link, LinkHandle links, const std::vector<std::uint8_t>& p) {
    CheckLink(link, links);
    Packet parsed;
    if (ParsePacket(p.data(), p.size(), &parsed) != PacketError::None) std::abort();
    return parsed.header.type;
}

// A CallSetup whose codec ids come from the input, dealt in turn to the first `lists` of
// audio capture, audio play, video capture and video play, so negotiation sees every mix
// (none included).
inline std::vector<std::uint8_t> FuzzCallSetup(std::uint32_t callId, std::uint32_t endpoint, const std::uint8_t* chunk,
                                               std::size_t len, std::size_t lists) {
    CallSetup s;
    s.callId = callId;
    s.endpoint = endpoint;
    CodecList* const order[] = {&s.audioCapt, &s.audioPlay, &s.videoCapt, &s.videoPlay};
    for (std::size_t i = 0; i < len && i < 8; ++i) {
        CodecList& list = *order[i % lists];
        list.ids[list.count++] = chunk[i] % 6;
    }
    return BuildCallSetup(1, s);
}

template <class Server, std::size_t N>
void ReconnectAll(Server& server, const LinkHandle (&links)[N], std::uint32_t now) {
    for (LinkHandle link : links) {
        server.OnLinkGone(link, now);
        server.OnAccepted(link, now);
    }
}

} // namespace orv
