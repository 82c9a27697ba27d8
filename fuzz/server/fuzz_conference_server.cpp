// Arbitrary conference-server messages and media datagrams into a room of four: the input
// is a script of steps (op byte, length byte, bytes). Ops: a raw message on a seat's link; a
// valid CallSetup of a seat with codec lists from the input; a well-formed message of the
// room (alert, connect, disconnect, ConfCmd, ConfDTMF, keep-alive) with fuzzed values; time
// passing; a link going and coming back; a seat invited again; a raw datagram, a probe or a
// media packet of a seat at the media ports; a mixing block. Whatever happened, everything
// sent parses, every mixed packet is a whole media packet, and a new room whose chairman sets
// up is accepted.
#include "fuzz/common/fuzz_server_parts.h"
#include "fuzz/common/step_script.h"
#include "server/conference_media.h"
#include "server/conference_server.h"
#include "wire/media_header.h"

#include <cstdlib>

namespace {

using namespace orv;

constexpr LinkHandle kLinks[kConfSeats] = {1, 2, 3, 4};
constexpr std::uint32_t kEndpoints[kConfSeats] = {11, 22, 33, 44};

ConfRoom& NewRoom(ConfRoomTable& rooms, std::uint32_t now) {
    ConfRoom& room = rooms.Create(now);
    for (int i = 0; i < kConfSeats; ++i)
        rooms.TakeSeat(room, i, "800" + std::to_string(i + 1), kEndpoints[i], now);
    return room;
}

std::vector<std::uint8_t> Setup(std::uint32_t roomId, std::uint32_t endpoint, const std::uint8_t* chunk,
                                std::size_t len) {
    return FuzzCallSetup(roomId, endpoint, chunk, len, 4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QuietServerLogOnce();
    ConfRoomTable rooms;
    ConferenceServerConfig config;
    config.audio = {0x7F000001, 5000};
    config.video = {0x7F000001, 5001};
    std::size_t accepts = 0;
    ConferenceServer server(
        rooms, config,
        [&](LinkHandle link, const std::vector<std::uint8_t>& p) {
            if (CheckSent(link, kConfSeats, p) == kPktCallAccept) ++accepts;
            return true;
        },
        [](LinkHandle link) { CheckLink(link, kConfSeats); },
        [](const std::string&) {});
    ConferenceMedia media(rooms, [](Medium, const std::vector<std::uint8_t>& d, const MediaAddress&) {
        if (d.size() <= kMediaHeaderBytes) std::abort();
    });

    std::uint32_t now = 1;
    for (LinkHandle link : kLinks) server.OnAccepted(link, now);
    std::uint32_t roomId = NewRoom(rooms, now).id;

    StepScript script(data, size);
    while (const std::optional<FuzzStep> step = script.Next()) {
        const auto [op, len, chunk] = *step;
        const int who = (op >> 4) % kConfSeats;
        const MediaAddress from{0x7F000001, static_cast<std::uint16_t>(40000 + who * 2)};
        ConfRoom* room = rooms.Find(roomId);
        switch (op % 10) {
        case 0: server.OnMessage(kLinks[who], chunk, len, now); break;
        case 1: {
            const auto setup = Setup(roomId, kEndpoints[who], chunk, len);
            server.OnMessage(kLinks[who], setup.data(), setup.size(), now);
            break;
        }
        case 2: {
            std::uint32_t value = 0;
            for (std::size_t i = 1; i < len && i < 5; ++i) value = (value << 8) | chunk[i];
            std::vector<std::uint8_t> p;
            switch ((len > 0 ? chunk[0] : 0) % 6) {
            case 0: p = BuildCallByte(kPktCallAlert, 1, roomId, 0); break;
            case 1: p = BuildCallByte(kPktCallConnect, 1, roomId, 0); break;
            case 2: p = BuildCallReason(kPktCallDisconnect, 1, roomId, value); break;
            case 3: p = BuildConfCmd(1, roomId, static_cast<std::uint8_t>(value % 10), static_cast<std::uint16_t>(value >> 8)); break;
            case 4: p = BuildConfDtmf(1, roomId, static_cast<std::uint16_t>(value % 6), std::string(reinterpret_cast<const char*>(chunk), len)); break;
            default: p = BuildTalkKeepAlive(value, roomId); break;
            }
            server.OnMessage(kLinks[who], p.data(), p.size(), now);
            break;
        }
        case 3:
            now += (len + 1) * 1000u;
            server.OnTimer(now);
            break;
        case 4:
            server.OnLinkGone(kLinks[who], now);
            server.OnAccepted(kLinks[who], now);
            break;
        case 5:
            if (room != nullptr && !room->ended && who != 0 && room->seats[who].Free()) {
                rooms.TakeSeat(*room, who, "800" + std::to_string(who + 1), kEndpoints[who], now);
                server.OnInvited(*room, who);
            }
            break;
        case 6: media.OnDatagram((op & 0x80) ? Medium::Video : Medium::Audio, chunk, len, from, now); break;
        case 7: {
            std::vector<std::uint8_t> d(kMediaHeaderBytes);
            if ((op & 0x80) != 0) {
                PackProbe(kEndpoints[who], d.data());
            } else {
                MediaHeader h;
                h.payloadType = len > 0 ? chunk[0] : 0;
                h.ssrc = kEndpoints[who];
                PackMediaHeader(h, d.data());
                d.insert(d.end(), chunk, chunk + len);
            }
            media.OnDatagram((op & 0x40) ? Medium::Video : Medium::Audio, d.data(), d.size(), from, now);
            break;
        }
        case 8: media.MixAll(); break;
        case 9:
            if (room == nullptr || room->ended) roomId = NewRoom(rooms, now).id;
            break;
        }
    }

    // Whatever happened, a new room's chairman that sets up is accepted once.
    ReconnectAll(server, kLinks, now);
    const std::uint32_t fresh = NewRoom(rooms, now).id;
    const std::uint8_t codecs[] = {1, 1};
    accepts = 0;
    const auto setup = Setup(fresh, kEndpoints[0], codecs, sizeof codecs);
    server.OnMessage(kLinks[0], setup.data(), setup.size(), now);
    if (accepts != 1) std::abort();
    return 0;
}
