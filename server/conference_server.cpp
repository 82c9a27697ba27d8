#include "server/conference_server.h"

#include "platform/tick.h"
#include "server/server_log.h"
#include "server/talk_server.h"
#include "wire/byte_order.h"
#include "wire/packet_header.h"

namespace orv {

namespace {

constexpr std::uint32_t kIdleLinkMs = 30000;
constexpr std::uint32_t kChairmanSetupMs = 45000; // the chairman links and connects within this
constexpr std::uint32_t kInvitedSetupMs = 45000;  // an invited member links within this
constexpr std::uint32_t kAlertingMs = 120000;     // and answers within this
constexpr std::uint32_t kEndedKeepMs = 60000;

bool IsDtmfDigit(char c) {
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || (c >= 'A' && c <= 'D') || (c >= 'a' && c <= 'd');
}

bool Overdue(std::uint32_t now, std::uint32_t since, std::uint32_t limit) {
    return TickDiff(now, since) > static_cast<std::int32_t>(limit);
}

// The first codec of a list that this server can decode or encode.
std::uint16_t FirstAudioCodec(const CodecList& list) {
    for (std::uint8_t i = 0; i < list.count && i < list.ids.size(); ++i) {
        if (CreateAudioCodec(list.ids[i]) != nullptr) return list.ids[i];
    }
    return 0;
}

} // namespace

ConferenceServer::ConferenceServer(ConfRoomTable& rooms, const ConferenceServerConfig& config, SendFunction send,
                                   CloseFunction close, ReportFunction report)
    : m_rooms(rooms), m_config(config), m_send(std::move(send)), m_report(std::move(report)),
      m_links("conference", config.maxLinks, std::move(close)) {}

void ConferenceServer::OnAccepted(LinkHandle link, std::uint32_t now) { m_links.Accept(link, now); }

void ConferenceServer::Close(LinkHandle link) { m_links.Close(link); }

void ConferenceServer::OnOversizeFrame(LinkHandle link, std::uint32_t length) { m_links.CloseOversize(link, length); }

ConfRoom* ConferenceServer::BoundRoom(LinkHandle link, int* seat) {
    const LinkState* state = m_links.Find(link);
    if (state == nullptr || state->roomId == 0) return nullptr;
    ConfRoom* room = m_rooms.Find(state->roomId);
    const int s = state->seat;
    if (room == nullptr || s < 0 || room->seats[s].link != link) return nullptr;
    *seat = s;
    return room;
}

void ConferenceServer::OnMessage(LinkHandle link, const std::uint8_t* data, std::size_t size, std::uint32_t now) {
    if (!m_links.Listening(link)) return;
    PacketHeader h;
    if (!ReadPacketHeader(data, size, &h) || h.length != size) {
        ServerLog("conference: drop %zu-byte message on link %u: malformed header", size, link);
        return;
    }
    TalkMessage m;
    const bool confType = h.type == kPktConfCmd || h.type == kPktConfDTMF;
    if (!confType) {
        const TalkParse parsed = ParseTalkMessage(data, size, &m);
        if (parsed != TalkParse::Ok) {
            ServerLog("conference: drop message 0x%04x (%zu bytes) on link %u", h.type, size, link);
            return;
        }
        if (h.type == kPktTalkKeepAlive) {
            m_send(link, m.hasCallId ? BuildTalkKeepAlive(h.seqNum, m.callId) : BuildHeaderOnly(kPktTalkKeepAlive, h.seqNum));
            return;
        }
        if (h.type == kPktCallSetup) {
            OnSetup(link, m.setup, h.seqNum, now);
            return;
        }
    }
    int seat = -1;
    ConfRoom* room = BoundRoom(link, &seat);
    if (room == nullptr || room->ended) {
        ServerLog("conference: drop message 0x%04x on link %u: the link serves no room", h.type, link);
        return;
    }
    const std::uint32_t callId = size >= kPacketHeaderSize + 4 ? GetU32LE(data + kPacketHeaderSize) : 0;
    if (callId != room->id) {
        ServerLog("conference: drop message 0x%04x on link %u: CallID %u, the link serves room %u", h.type, link,
                  callId, room->id);
        return;
    }
    if (h.type == kPktConfCmd) {
        OnCmd(*room, seat, data, size, now);
    } else if (h.type == kPktConfDTMF) {
        OnDigits(*room, seat, data, size);
    } else {
        OnSeatMessage(*room, seat, link, h.type, m, now);
    }
}

MediaParams ConferenceServer::Negotiate(ConfRoom& room, const CallSetup& setup) const {
    MediaParams p;
    p.audioCapt = FirstAudioCodec(setup.audioCapt);
    p.audioPlay = FirstAudioCodec(setup.audioPlay);
    // One video codec for the whole room: pictures are passed on, never converted.
    if (room.videoCodec == 0) {
        if (setup.videoCapt.count > 0) room.videoCodec = setup.videoCapt.ids[0];
        else if (setup.videoPlay.count > 0) room.videoCodec = setup.videoPlay.ids[0];
    }
    if (room.videoCodec != 0) {
        if (setup.videoCapt.Contains(room.videoCodec)) p.videoCapt = room.videoCodec;
        if (setup.videoPlay.Contains(room.videoCodec)) p.videoPlay = room.videoCodec;
    }
    p.frameRate = setup.frameRate;
    p.flowRate = setup.flowRate;
    p.videoFormat = setup.videoFormat;
    p.peerAudio = m_config.audio;
    p.peerVideo = m_config.video;
    return p;
}

void ConferenceServer::OnSetup(LinkHandle link, const CallSetup& setup, std::uint32_t seq, std::uint32_t now) {
    ConfRoom* room = m_rooms.Find(setup.callId);
    const int seat = room != nullptr && !room->ended ? room->SeatOf(setup.endpoint) : -1;
    if (seat < 0) {
        ServerLog("conference: CallSetup on link %u for room %u from endpoint %u, which has no seat in it", link,
                  setup.callId, setup.endpoint);
        m_send(link, BuildCallReason(kPktCallDisconnect, NextSeq(), setup.callId, kConfReasonRoomEnded));
        return;
    }
    LinkState& state = m_links[link];
    if (state.roomId != 0 && (state.roomId != room->id || state.seat != seat)) {
        ServerLog("conference: drop CallSetup on link %u: the link serves room %u already", link, state.roomId);
        return;
    }
    ConfSeat& s = room->seats[seat];
    if (s.link != 0 && s.link != link) {
        ServerLog("conference: room %u seat %d moves from link %u to link %u", room->id, seat, s.link, link);
    }
    const bool repeated = s.hasSetup;
    s.link = link;
    s.hasSetup = true;
    s.setup = setup;
    s.setupSeq = seq;
    state.roomId = room->id;
    state.seat = seat;
    state.idleSince = 0;
    if (!repeated) s.media = Negotiate(*room, setup);
    if (s.media.audioCapt == 0 || s.media.audioPlay == 0) {
        ServerLog("conference: room %u seat %d %s shares no audio codec with the mixer", room->id, seat,
                  s.number.c_str());
        if (seat == 0) {
            EndRoom(*room, kDisconnectNegotiation, "server", now);
        } else {
            SendToSeat(*room, seat, BuildCallReason(kPktCallDisconnect, NextSeq(), room->id, kDisconnectNegotiation));
            FreeSeat(*room, seat, kDisconnectNegotiation, now);
        }
        return;
    }
    ServerLog("conference: room %u seat %d %s set up on link %u: audio send %u receive %u, video send %u receive %u",
              room->id, seat, s.number.c_str(), link, s.media.audioCapt, s.media.audioPlay, s.media.videoCapt,
              s.media.videoPlay);
    SendToSeat(*room, seat, BuildCallAccept(kPktCallAccept, seq, room->id, s.media));
}

void ConferenceServer::OnSeatMessage(ConfRoom& room, int seat, LinkHandle link, std::uint16_t type,
                                     const TalkMessage& m, std::uint32_t now) {
    ConfSeat& s = room.seats[seat];
    switch (type) {
    case kPktCallAlert:
        if (seat != 0 && s.status == kSeatInvited) {
            s.status = kSeatAlerting;
            s.since = now;
            Broadcast(room, BuildConfMember(kPktConfAlert, NextSeq(), room.id, s.Entry(seat)), seat);
        }
        break;
    case kPktCallConnect:
        if (s.status == kSeatInvited || s.status == kSeatAlerting) OnConnect(room, seat, now);
        break;
    case kPktCallDisconnect:
        ServerLog("conference: room %u seat %d %s leaves, reason %u", room.id, seat, s.number.c_str(), m.value);
        s.link = 0; // it said goodbye: nothing more goes to it
        if (seat == 0) {
            EndRoom(room, kConfReasonChairmanLeft, "chairman", now);
        } else {
            FreeSeat(room, seat, m.value, now);
        }
        m_links[link].roomId = 0;
        break;
    case kPktCallDTMF:
    case kPktCallHold:
    case kPktCallPauseVideo:
    default:
        ServerLog("conference: room %u seat %d: message 0x%04x is not served in a conference", room.id, seat, type);
        break;
    }
}

void ConferenceServer::OnConnect(ConfRoom& room, int seat, std::uint32_t now) {
    ConfSeat& s = room.seats[seat];
    s.status = kSeatConnected;
    s.since = now;
    if (seat != 0 && !s.answered) room.members += (room.members.empty() ? "" : ",") + s.number;
    s.answered = true;
    if (seat != 0) room.lastTalk = now;
    if (!room.mixer->Join(seat, s.media.audioCapt, s.media.audioPlay)) {
        ServerLog("conference: room %u seat %d: the mixer cannot take codecs %u/%u", room.id, seat,
                  s.media.audioCapt, s.media.audioPlay);
    }
    ServerLog("conference: room %u seat %d %s connected", room.id, seat, s.number.c_str());
    SendToSeat(room, seat, BuildConfStatus(NextSeq(), room.id, room.Status()));
    Broadcast(room, BuildConfMember(kPktConfConnect, NextSeq(), room.id, s.Entry(seat)), seat);
}

void ConferenceServer::OnCmd(ConfRoom& room, int seat, const std::uint8_t* data, std::size_t size,
                             std::uint32_t now) {
    std::uint8_t type = 0;
    std::uint16_t related = 0;
    if (!ParseConfCmd(data, size, &type, &related)) {
        ServerLog("conference: room %u seat %d: drop a %zu-byte ConfCmd", room.id, seat, size);
        return;
    }
    if (type == kConfCmdAnswered) {
        ServerLog("conference: room %u seat %d answered", room.id, seat);
        return;
    }
    if (related >= kConfSeats || room.seats[related].Free() || static_cast<int>(related) == seat) {
        ServerLog("conference: room %u seat %d: command %u for seat %u refused", room.id, seat, type, related);
        return;
    }
    switch (type) {
    case kConfCmdVideoRequest:
    case kConfCmdVideoCancel:
        room.seats[related].videoTo[seat] = type == kConfCmdVideoRequest;
        ServerLog("conference: room %u seat %d %s the video of seat %u", room.id, seat,
                  type == kConfCmdVideoRequest ? "asks for" : "cancels", related);
        break;
    case kConfCmdKick:
        if (seat != 0) {
            ServerLog("conference: room %u seat %d may not remove seat %u: only the chairman may", room.id, seat,
                      related);
            break;
        }
        ServerLog("conference: room %u: the chairman removes seat %u %s", room.id, related,
                  room.seats[related].number.c_str());
        SendToSeat(room, related, BuildCallReason(kPktCallDisconnect, NextSeq(), room.id, kConfReasonKicked));
        FreeSeat(room, related, kConfReasonKicked, now);
        break;
    default: ServerLog("conference: room %u seat %d: unknown command %u", room.id, seat, type); break;
    }
}

void ConferenceServer::OnDigits(ConfRoom& room, int seat, const std::uint8_t* data, std::size_t size) {
    std::uint16_t channel = 0;
    std::string digits;
    if (!ParseConfDtmf(data, size, &channel, &digits) || channel >= kConfSeats) {
        ServerLog("conference: room %u seat %d: drop a ConfDTMF (%zu bytes, channel %u)", room.id, seat, size,
                  channel);
        return;
    }
    std::string taken;
    for (char c : digits) {
        if (IsDtmfDigit(c)) taken.push_back(c);
    }
    if (taken.empty()) return;
    room.digits += (room.digits.empty() ? "" : ",") + std::to_string(channel) + ":" + taken;
    m_report("DTMF conf=" + std::to_string(room.id) + " from=" + room.seats[seat].number +
             " channel=" + std::to_string(channel) + " digits=" + taken);
}

void ConferenceServer::SendToSeat(ConfRoom& room, int seat, const std::vector<std::uint8_t>& packet) {
    const LinkHandle link = room.seats[seat].link;
    if (link != 0) m_send(link, packet);
}

void ConferenceServer::Broadcast(ConfRoom& room, const std::vector<std::uint8_t>& packet, int except) {
    for (int i = 0; i < kConfSeats; ++i) {
        const ConfSeat& s = room.seats[i];
        if (i == except || s.link == 0) continue;
        if (i == 0 || s.status == kSeatConnected) SendToSeat(room, i, packet);
    }
}

void ConferenceServer::OnInvited(ConfRoom& room, int seat) {
    Broadcast(room, BuildConfMember(kPktConfMemberInvite, NextSeq(), room.id, room.seats[seat].Entry(seat)), seat);
}

void ConferenceServer::FreeSeat(ConfRoom& room, int seat, std::uint32_t reason, std::uint32_t now) {
    ConfSeat& s = room.seats[seat];
    if (s.Free()) return;
    ConfSeatEntry entry = s.Entry(seat);
    entry.reason = reason;
    ServerLog("conference: room %u seat %d %s is free again, reason %u", room.id, seat, s.number.c_str(), reason);
    if (s.link != 0) {
        if (LinkState* state = m_links.Find(s.link)) state->roomId = 0;
    }
    room.mixer->Leave(seat);
    for (ConfSeat& other : room.seats) other.videoTo[seat] = false;
    m_rooms.FreeSeat(room, seat, now);
    Broadcast(room, BuildConfMember(kPktConfDisconnect, NextSeq(), room.id, entry), seat);
    bool anyone = false;
    for (int i = 1; i < kConfSeats; ++i) anyone = anyone || !room.seats[i].Free();
    if (!anyone) room.lastTalk = now;
}

void ConferenceServer::EndRoom(ConfRoom& room, std::uint32_t reason, const char* endedBy, std::uint32_t now) {
    if (room.ended) return;
    for (int i = 0; i < kConfSeats; ++i) {
        ConfSeat& s = room.seats[i];
        if (s.Free()) continue;
        SendToSeat(room, i, BuildCallReason(kPktCallDisconnect, NextSeq(), room.id, reason));
        room.mixer->Leave(i);
    }
    room.ended = true;
    room.endedAt = now;
    ServerLog("conference: room %u of %s ends: reason %u, by %s", room.id, room.Chairman().number.c_str(), reason,
              endedBy);
    m_report("CONF id=" + std::to_string(room.id) + " chairman=" + room.Chairman().number + " members=" + room.members +
             " reason=" + std::to_string(reason) + " by=" + endedBy + " digits=" + room.digits);
}

void ConferenceServer::OnLinkGone(LinkHandle link, std::uint32_t now) {
    int seat = -1;
    ConfRoom* room = BoundRoom(link, &seat);
    m_links.Forget(link);
    if (room == nullptr || room->ended) return;
    room->seats[seat].link = 0;
    ServerLog("conference: room %u seat %d: its link is gone", room->id, seat);
    if (seat == 0) {
        EndRoom(*room, kConfReasonChairmanLeft, "chairman", now);
    } else {
        FreeSeat(*room, seat, kConfReasonLinkLost, now);
    }
}

void ConferenceServer::OnTimer(std::uint32_t now) {
    std::vector<std::uint32_t> forget;
    m_rooms.ForEach([&](ConfRoom& room) {
        if (room.ended) {
            if (Overdue(now, room.endedAt, kEndedKeepMs)) forget.push_back(room.id);
            return;
        }
        ConfSeat& chairman = room.Chairman();
        if (chairman.status != kSeatConnected && Overdue(now, room.createdAt, kChairmanSetupMs)) {
            EndRoom(room, kConfReasonRoomEnded, "server", now);
            return;
        }
        bool anyone = false;
        for (int i = 1; i < kConfSeats; ++i) {
            ConfSeat& s = room.seats[i];
            if (s.Free()) continue;
            anyone = true;
            if ((s.status == kSeatInvited && Overdue(now, s.since, kInvitedSetupMs)) ||
                (s.status == kSeatAlerting && Overdue(now, s.since, kAlertingMs))) {
                SendToSeat(room, i, BuildCallReason(kPktCallDisconnect, NextSeq(), room.id, kConfReasonNoAnswer));
                FreeSeat(room, i, kConfReasonNoAnswer, now);
            }
        }
        if (anyone) {
            room.lastTalk = now;
        } else if (Overdue(now, room.lastTalk, m_config.idleRoomMs)) {
            EndRoom(room, kConfReasonIdle, "server", now);
        }
    });
    for (std::uint32_t id : forget) m_rooms.Remove(id);

    m_links.CloseIdle(
        now, kIdleLinkMs,
        [this](LinkHandle link) {
            int seat = -1;
            const ConfRoom* room = BoundRoom(link, &seat);
            return room != nullptr && !room->ended;
        },
        "room");
}

} // namespace orv
