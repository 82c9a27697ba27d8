// The user server's side of conferences: a registered subscriber asks for a room and becomes
// its chairman (seat 0); the chairman invites subscribers into the free seats. Each invited
// member gets an establish notice for the room, the chairman an answer to its invitation:
// 0, or 255 with -2 unknown number, -10 off line, -14 busy (in a call or a room, or the
// chairman itself), -15 no free seat, -1 not the chairman of a live room. A resend of a
// request (the client numbers it anew) gets the same answer again, not a second room or seat.
#pragma once

#include "server/conference_server.h"
#include "server/server_log.h"
#include "server/session_table.h"
#include "server/subscriber_db.h"
#include "server/talk_calls.h"
#include "wire/packet_header.h"

#include <functional>
#include <string>
#include <vector>

namespace orv {

constexpr std::int32_t kReasonRoomFull = -15;
constexpr std::int32_t kReasonNotChairman = -1;

class ConferenceRequests {
public:
    using SendFunction =
        std::function<void(const std::vector<std::uint8_t>& packet, const std::string& address, std::uint16_t port)>;

    // calls may be null (no talk side: nobody counts as busy in a call).
    ConferenceRequests(SessionTable& sessions, SubscriberDb& db, ConfRoomTable& rooms, TalkCallTable* calls,
                       ConferenceServer& server, MediaAddress confServer, SendFunction send);

    void OnConfRequest(const Packet& p, const std::string& address, std::uint16_t port, std::uint32_t now);
    void OnConfInvite(const Packet& p, const std::string& address, std::uint16_t port, std::uint32_t now);

private:
    bool Busy(const std::string& number);
    ConfEstablish NoticeFor(const ConfRoom& room) const;
    void AnswerInvite(const Session& chairman, std::uint32_t seq, std::int32_t reason);

    SessionTable& m_sessions;
    SubscriberDb& m_db;
    ConfRoomTable& m_rooms;
    TalkCallTable* m_calls;
    ConferenceServer& m_server;
    MediaAddress m_confServer;
    SendFunction m_send;
    std::uint32_t m_seq = 1;
    DropLog m_dropLog{"user", ""};
};

} // namespace orv
