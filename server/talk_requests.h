// The user server's side of a call: a talk request from a registered caller becomes a call
// with establish notices to both parties (the talk server's address, the media rendezvous as
// the peer's media addresses), or a refusal: -2 unknown number, -10 off line (recorded as an
// offline call of the called subscriber), -14 busy. The called subscriber's forwarding
// settings apply here: "always" and, when the number is off line or busy, "offline" and
// "busy" send the call on to that number instead (one step, never further). A call forward
// request of the called party (busy or no answer, with the number its settings name) hands a
// call that is set up to the forward-to number.
#pragma once

#include "server/echo_service.h"
#include "server/options_db.h"
#include "server/server_log.h"
#include "server/session_table.h"
#include "server/subscriber_db.h"
#include "server/talk_calls.h"
#include "server/talk_records.h"
#include "server/talk_server.h"

#include <functional>
#include <string>
#include <vector>

namespace orv {

class ConfRoomTable;

struct TalkRequestConfig {
    std::uint32_t servId = 1;
    MediaAddress talkServer;       // as the clients reach it
    MediaAddress audioRendezvous;  // the media rendezvous, announced as the peer's addresses
    MediaAddress videoRendezvous;
};

class TalkRequests {
public:
    using SendFunction =
        std::function<void(const std::vector<std::uint8_t>& packet, const std::string& address, std::uint16_t port)>;

    TalkRequests(SessionTable& sessions, SubscriberDb& db, TalkCallTable& calls, TalkServer& talk,
                 TalkRecords* records, const EchoService& echo, const TalkRequestConfig& config, SendFunction send);

    // The conference rooms: a number holding a seat in one is busy to talk requests, as a
    // number in a call is (null: no conferences).
    void SetConferenceRooms(ConfRoomTable* rooms) { m_rooms = rooms; }

    void OnTalkRequest(const Packet& p, const std::string& address, std::uint16_t port, std::uint32_t now);
    void OnCallForward(const Packet& p, const std::string& address, std::uint16_t port, std::uint32_t now);

private:
    enum class Reach { Online, Offline, Unknown, Busy, Unanswered };
    struct Target {
        Reach reach = Reach::Unknown;
        std::string number;
        Session session;
    };
    Target Resolve(const std::string& number, std::uint32_t now);
    bool InCallOrConference(const std::string& number);
    enum class ForwardCase { Always, Offline, Busy, NoAnswer };
    // The number the subscriber's forwarding settings name for the case; empty when none.
    std::string ForwardNumber(const std::string& number, ForwardCase which);
    void RecordOffline(const std::string& caller, const std::string& called);
    void Refuse(std::uint32_t seq, std::int32_t reason, const Session& caller, const std::string& dialled,
                const char* result);
    void Establish(const Session& caller, const std::string& dialled, std::uint32_t seq, const Target& called,
                   const std::string& original, std::uint32_t now);
    void StartEcho(const Session& caller, std::uint32_t seq, std::uint32_t now);
    void NotifyCaller(const TalkCall& call);
    void NotifyCalled(const TalkCall& call);
    EstablishNotice NoticeFor(const TalkCall& call) const;
    static CallParty PartyOf(const Session& s);

    SessionTable& m_sessions;
    SubscriberDb& m_db;
    OptionsDb m_options;
    TalkCallTable& m_calls;
    ConfRoomTable* m_rooms = nullptr;
    TalkServer& m_talk;
    TalkRecords* m_records;
    const EchoService& m_echo;
    TalkRequestConfig m_config;
    SendFunction m_send;
    std::uint32_t m_seq = 1;
    // Requests from anyone (unreadable, or from no registration) are logged as the user
    // server's own drops are: a flood of them cannot flood the log.
    DropLog m_dropLog{"user", ""};
};

} // namespace orv
