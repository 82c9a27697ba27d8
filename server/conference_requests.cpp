#include "server/conference_requests.h"

#include "server/user_server.h"

namespace orv {

ConferenceRequests::ConferenceRequests(SessionTable& sessions, SubscriberDb& db, ConfRoomTable& rooms,
                                       TalkCallTable* calls, ConferenceServer& server, MediaAddress confServer,
                                       SendFunction send)
    : m_sessions(sessions), m_db(db), m_rooms(rooms), m_calls(calls), m_server(server), m_confServer(confServer),
      m_send(std::move(send)) {}

bool ConferenceRequests::Busy(const std::string& number) {
    return m_rooms.FindByNumber(number) != nullptr ||
           (m_calls != nullptr && m_calls->FindActiveByNumber(number) != nullptr);
}

ConfEstablish ConferenceRequests::NoticeFor(const ConfRoom& room) const {
    ConfEstablish n;
    n.callId = room.id;
    n.chairman = room.seats[0].number;
    n.confId = room.confId;
    n.servId = m_server.Config().servId;
    n.servIP = FirstOctetLowest(m_confServer.ip);
    n.servPort = m_confServer.port;
    return n;
}

void ConferenceRequests::OnConfRequest(const Packet& p, const std::string& address, std::uint16_t port,
                                       std::uint32_t now) {
    std::string own;
    Session chairman;
    if (!ParseConfRequest(p.body, p.bodySize, &own)) {
        m_dropLog.Write(now, "drop conference request from %s:%u: %zu-byte body", address.c_str(), port, p.bodySize);
        return;
    }
    if (!m_sessions.FindLiveByAddress(address, port, now, &chairman) || own != chairman.number) {
        m_dropLog.Write(now, "drop conference request from %s:%u: not registered as %s", address.c_str(), port,
                        LogSafe(own).c_str());
        return;
    }
    int seat = -1;
    if (ConfRoom* current = m_rooms.FindByNumber(chairman.number, &seat)) {
        if (seat == 0 && !current->seats[0].hasSetup && current->seats[0].endpoint == chairman.endpoint) {
            ConfEstablish n = NoticeFor(*current); // a resend: the same room again
            n.role = kRoleChairman;
            m_send(BuildConfEstablish(p.header.seqNum, n), chairman.address, chairman.port);
            return;
        }
    }
    if (Busy(chairman.number)) {
        ServerLog("conference request of %s refused: busy", chairman.number.c_str());
        ConfEstablish n;
        n.result = 255;
        n.reason = kReasonBusy;
        n.chairman = chairman.number;
        n.role = kRoleChairman;
        m_send(BuildConfEstablish(p.header.seqNum, n), chairman.address, chairman.port);
        return;
    }
    ConfRoom& room = m_rooms.Create(now);
    room.confId = std::to_string(room.id);
    m_rooms.TakeSeat(room, 0, chairman.number, chairman.endpoint, now, chairman.address,
                     chairman.port);
    ServerLog("conference: room %u for chairman %s", room.id, chairman.number.c_str());
    ConfEstablish n = NoticeFor(room);
    n.role = kRoleChairman;
    m_send(BuildConfEstablish(p.header.seqNum, n), chairman.address, chairman.port);
}

void ConferenceRequests::AnswerInvite(const Session& chairman, std::uint32_t seq, std::int32_t reason) {
    if (reason == 0) {
        ByteWriter w = StartPacket(kPktConfInviteAck, seq);
        w.U8(0);
        m_send(FinishPacket(w), chairman.address, chairman.port);
    } else {
        m_send(BuildFailure(kPktConfInviteAck, seq, reason), chairman.address, chairman.port);
    }
}

void ConferenceRequests::OnConfInvite(const Packet& p, const std::string& address, std::uint16_t port,
                                      std::uint32_t now) {
    ConfInviteRequest invite;
    Session chairman;
    if (!ParseConfInvite(p.body, p.bodySize, &invite)) {
        m_dropLog.Write(now, "drop conference invitation from %s:%u: %zu-byte body", address.c_str(), port,
                        p.bodySize);
        return;
    }
    if (!m_sessions.FindLiveByAddress(address, port, now, &chairman) || invite.own != chairman.number) {
        m_dropLog.Write(now, "drop conference invitation from %s:%u: not registered as %s", address.c_str(), port,
                        LogSafe(invite.own).c_str());
        return;
    }
    ConfRoom* room = m_rooms.Find(invite.callId);
    if (room == nullptr || room->ended || invite.servId != m_server.Config().servId ||
        room->seats[0].endpoint != chairman.endpoint) {
        ServerLog("conference invitation of %s refused: not the chairman of room %u", chairman.number.c_str(),
                  invite.callId);
        return AnswerInvite(chairman, p.header.seqNum, kReasonNotChairman);
    }
    const std::string& number = invite.invited;
    const int already = [&] {
        for (int i = 1; i < kConfSeats; ++i) {
            if (!room->seats[i].Free() && room->seats[i].number == number) return i;
        }
        return -1;
    }();
    if (already > 0) return AnswerInvite(chairman, p.header.seqNum, 0); // a resend
    std::int32_t reason = 0;
    Subscriber subscriber;
    Session invited;
    if (!IsValidNumber(number) || !m_db.Find(number, &subscriber)) {
        reason = kReasonUnknownNumber;
    } else if (!m_sessions.FindLiveByNumber(number, now, &invited)) {
        reason = kReasonOffline;
    } else if (number == chairman.number || Busy(number)) {
        reason = kReasonBusy;
    } else if (room->FreeSeat() < 0) {
        reason = kReasonRoomFull;
    }
    if (reason != 0) {
        ServerLog("conference invitation of %s to %s refused (%d)", chairman.number.c_str(), LogSafe(number).c_str(),
                  reason);
        return AnswerInvite(chairman, p.header.seqNum, reason);
    }
    const int seat = room->FreeSeat();
    m_rooms.TakeSeat(*room, seat, invited.number, invited.endpoint, now, invited.address,
                     invited.port);
    ServerLog("conference: room %u invites %s into seat %d", room->id, number.c_str(), seat);
    ConfEstablish n = NoticeFor(*room);
    n.invited = invited.number;
    n.role = 0;
    m_send(BuildConfEstablish(m_seq++, n), invited.address, invited.port);
    AnswerInvite(chairman, p.header.seqNum, 0);
    m_server.OnInvited(*room, seat);
}

} // namespace orv
