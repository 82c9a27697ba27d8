#include "server/talk_requests.h"

#include "server/conference_rooms.h"
#include "server/server_log.h"
#include "server/user_server.h"

#include <ctime>

namespace orv {

TalkRequests::TalkRequests(SessionTable& sessions, SubscriberDb& db, TalkCallTable& calls, TalkServer& talk,
                           TalkRecords* records, const EchoService& echo, const TalkRequestConfig& config,
                           SendFunction send)
    : m_sessions(sessions), m_db(db), m_options(db), m_calls(calls), m_talk(talk), m_records(records), m_echo(echo),
      m_config(config), m_send(std::move(send)) {}

CallParty TalkRequests::PartyOf(const Session& s) {
    CallParty party;
    party.number = s.number;
    party.endpoint = s.endpoint;
    party.userAddress = s.address;
    party.userPort = s.port;
    return party;
}

TalkRequests::Target TalkRequests::Resolve(const std::string& number, std::uint32_t now) {
    Target t;
    t.number = number;
    Subscriber subscriber;
    if (!m_db.Find(number, &subscriber)) {
        t.reach = m_db.LastError().empty() ? Reach::Unknown : Reach::Unanswered;
        if (t.reach == Reach::Unanswered) ServerLog("subscriber lookup failed: %s", m_db.LastError().c_str());
    } else if (!m_sessions.FindLiveByNumber(number, now, &t.session)) {
        t.reach = Reach::Offline;
    } else if (InCallOrConference(number)) {
        t.reach = Reach::Busy;
    } else {
        t.reach = Reach::Online;
    }
    return t;
}

bool TalkRequests::InCallOrConference(const std::string& number) {
    return m_calls.FindActiveByNumber(number) != nullptr || (m_rooms != nullptr && m_rooms->FindByNumber(number) != nullptr);
}

std::string TalkRequests::ForwardNumber(const std::string& number, ForwardCase which) {
    ForwardSettings settings;
    if (!m_options.GetForward(number, &settings)) {
        ServerLog("forwarding settings of %s unreadable: %s", number.c_str(), m_options.LastError().c_str());
        return {};
    }
    if (!settings.enabled) return {};
    const std::string& to = which == ForwardCase::Always    ? settings.always
                            : which == ForwardCase::Offline ? settings.offline
                            : which == ForwardCase::Busy    ? settings.busy
                                                            : settings.noAnswer;
    return IsValidNumber(to) && to != number ? to : std::string();
}

void TalkRequests::RecordOffline(const std::string& caller, const std::string& called) {
    OfflineCall call;
    call.caller = caller;
    call.called = called;
    call.time = static_cast<std::uint32_t>(std::time(nullptr));
    call.kind = kOfflineCallTalk;
    if (!m_options.AddOfflineCall(call)) {
        ServerLog("offline call from %s to %s not recorded: %s", caller.c_str(), called.c_str(),
                  m_options.LastError().c_str());
    }
}

void TalkRequests::OnTalkRequest(const Packet& p, const std::string& address, std::uint16_t port,
                                 std::uint32_t now) {
    TalkRequest request;
    Session caller;
    if (!ParseTalkRequest(p.body, p.bodySize, &request)) {
        m_dropLog.Write(now, "drop talk request from %s:%u: %zu-byte body", address.c_str(), port,
                        p.bodySize);
        return;
    }
    if (!m_sessions.FindLiveByAddress(address, port, now, &caller)) {
        m_dropLog.Write(now, "drop talk request from %s:%u: not registered", address.c_str(), port);
        return;
    }
    if (request.own != caller.number) {
        ServerLog("drop talk request from %s:%u: own number %s, registered as %s", address.c_str(), port,
                  LogSafe(request.own).c_str(), caller.number.c_str());
        return;
    }
    const std::string& dialled = request.called;
    if (m_rooms != nullptr && m_rooms->FindByNumber(caller.number) != nullptr) {
        Refuse(p.header.seqNum, kReasonBusy, caller, dialled, "busy");
        return;
    }
    if (TalkCall* current = m_calls.FindActiveByNumber(caller.number)) {
        CallParty& own = current->Party(Side::Caller);
        if (own.endpoint == caller.endpoint && current->phase == CallPhase::Setup && !own.hasSetup &&
            current->dialled == dialled) {
            // A resend of the request just answered (under a new sequence number): the same
            // notice again, answering the newest number.
            current->requestSeq = p.header.seqNum;
            NotifyCaller(*current);
            return;
        }
        Refuse(p.header.seqNum, kReasonBusy, caller, dialled, "busy");
        return;
    }
    if (m_echo.Serves(dialled)) {
        StartEcho(caller, p.header.seqNum, now);
        return;
    }
    if (!IsValidNumber(dialled)) {
        Refuse(p.header.seqNum, kReasonUnknownNumber, caller, LogSafe(dialled), "unknown");
        return;
    }
    if (dialled == caller.number) {
        Refuse(p.header.seqNum, kReasonBusy, caller, dialled, "busy");
        return;
    }
    const Target target = Resolve(dialled, now);
    if (target.reach == Reach::Unanswered) return; // the database failed: the resend asks again
    if (target.reach == Reach::Unknown) {
        Refuse(p.header.seqNum, kReasonUnknownNumber, caller, dialled, "unknown");
        return;
    }
    // Forwarding: "always" first, then "offline" or "busy" for a called number in that state.
    std::string to = ForwardNumber(dialled, ForwardCase::Always);
    if (to.empty() && target.reach == Reach::Offline) to = ForwardNumber(dialled, ForwardCase::Offline);
    if (to.empty() && target.reach == Reach::Busy) to = ForwardNumber(dialled, ForwardCase::Busy);
    if (!to.empty() && to != caller.number) {
        const Target forwarded = Resolve(to, now);
        if (forwarded.reach == Reach::Online) {
            if (target.reach == Reach::Offline) RecordOffline(caller.number, dialled);
            Establish(caller, dialled, p.header.seqNum, forwarded, dialled, now);
            return;
        }
        ServerLog("talk request of %s to %s: forward-to number %s cannot take it", caller.number.c_str(),
                  dialled.c_str(), to.c_str());
    }
    switch (target.reach) {
    case Reach::Offline:
        RecordOffline(caller.number, dialled);
        Refuse(p.header.seqNum, kReasonOffline, caller, dialled, "offline");
        break;
    case Reach::Busy: Refuse(p.header.seqNum, kReasonBusy, caller, dialled, "busy"); break;
    default: Establish(caller, dialled, p.header.seqNum, target, "", now); break;
    }
}

void TalkRequests::Refuse(std::uint32_t seq, std::int32_t reason, const Session& caller, const std::string& dialled,
                          const char* result) {
    ServerLog("talk request of %s to %s refused: %s (%d)", caller.number.c_str(), dialled.c_str(), result, reason);
    m_send(BuildEstablishRefusal(seq, reason, caller.number, dialled), caller.address, caller.port);
    if (m_records != nullptr) m_records->Refused(caller.number, dialled, result, reason);
    m_talk.ReportRefused(caller.number, dialled, result, reason);
}

void TalkRequests::Establish(const Session& caller, const std::string& dialled, std::uint32_t seq,
                             const Target& called, const std::string& original, std::uint32_t now) {
    TalkCall& call = m_calls.Create(now);
    call.Party(Side::Caller) = PartyOf(caller);
    call.Party(Side::Called) = PartyOf(called.session);
    call.dialled = dialled;
    call.requestSeq = seq;
    call.original = original;
    call.noForward = !original.empty();
    if (m_records != nullptr) {
        call.recordId = m_records->Begin(call.id, caller.number, called.number);
        if (!original.empty()) m_records->Forwarded(call.recordId, called.number, original);
    }
    ServerLog("call %u from %s to %s%s%s", call.id, caller.number.c_str(), called.number.c_str(),
              original.empty() ? "" : ", forwarded from ", original.c_str());
    NotifyCaller(call);
    NotifyCalled(call);
}

void TalkRequests::StartEcho(const Session& caller, std::uint32_t seq, std::uint32_t now) {
    TalkCall& call = m_calls.Create(now);
    call.echo = true;
    call.Party(Side::Caller) = PartyOf(caller);
    call.Party(Side::Called).number = m_echo.Number();
    call.dialled = m_echo.Number();
    call.requestSeq = seq;
    if (m_records != nullptr) call.recordId = m_records->Begin(call.id, caller.number, m_echo.Number());
    ServerLog("call %u from %s to the echo service", call.id, caller.number.c_str());
    NotifyCaller(call);
}

EstablishNotice TalkRequests::NoticeFor(const TalkCall& call) const {
    EstablishNotice n;
    n.callId = call.id;
    n.calling = call.Party(Side::Caller).number;
    n.servId = m_config.servId;
    n.talkServer = m_config.talkServer;
    n.peerAudio = m_config.audioRendezvous;
    n.peerVideo = m_config.videoRendezvous;
    return n;
}

void TalkRequests::NotifyCaller(const TalkCall& call) {
    EstablishNotice n = NoticeFor(call);
    n.called = call.dialled;
    n.role = kRoleCaller;
    const CallParty& caller = call.Party(Side::Caller);
    m_send(BuildEstablishNotice(call.requestSeq, n), caller.userAddress, caller.userPort);
}

void TalkRequests::NotifyCalled(const TalkCall& call) {
    EstablishNotice n = NoticeFor(call);
    const CallParty& called = call.Party(Side::Called);
    n.called = called.number;
    n.role = kRoleCalled;
    n.noForward = call.noForward ? 1 : 0;
    m_send(BuildEstablishNotice(m_seq++, n), called.userAddress, called.userPort);
}

void TalkRequests::OnCallForward(const Packet& p, const std::string& address, std::uint16_t port,
                                 std::uint32_t now) {
    CallForwardRequest request;
    Session from;
    if (!ParseCallForward(p.body, p.bodySize, &request)) {
        m_dropLog.Write(now, "drop call forward from %s:%u: %zu-byte body", address.c_str(), port,
                        p.bodySize);
        return;
    }
    if (!m_sessions.FindLiveByAddress(address, port, now, &from)) {
        m_dropLog.Write(now, "drop call forward from %s:%u: not registered", address.c_str(), port);
        return;
    }
    TalkCall* call = m_calls.Find(request.callId);
    if (call == nullptr || !call->Active() || call->echo || request.servId != m_config.servId) {
        ServerLog("drop call forward of %s: no call %u on talk server %u", from.number.c_str(), request.callId,
                  request.servId);
        return;
    }
    const CallParty called = call->Party(Side::Called);
    const std::string& caller = call->Party(Side::Caller).number;
    if (called.endpoint != from.endpoint) {
        ServerLog("drop call forward of call %u from %s: not its called party", call->id, from.number.c_str());
        return;
    }
    if (call->noForward || (request.type != kForwardBusy && request.type != kForwardNoAnswer) ||
        request.caller != caller) {
        ServerLog("drop call forward of call %u: type %u, caller %s, %s", call->id, request.type,
                  LogSafe(request.caller).c_str(), call->noForward ? "no further forwarding" : "forwardable");
        return;
    }
    const bool busy = request.type == kForwardBusy;
    const std::string to = ForwardNumber(called.number, busy ? ForwardCase::Busy : ForwardCase::NoAnswer);
    if (to.empty() || to != request.forwardTo || to == caller) {
        ServerLog("drop call forward of call %u to %s: the settings of %s say \"%s\"", call->id,
                  LogSafe(request.forwardTo).c_str(), called.number.c_str(), to.c_str());
        return;
    }
    const Target target = Resolve(to, now);
    if (target.reach != Reach::Online) {
        if (target.reach == Reach::Offline) RecordOffline(caller, to);
        ServerLog("call %u: forward-to number %s cannot take it", call->id, to.c_str());
        m_talk.EndCall(*call, busy ? kDisconnectBusy : kDisconnectNoAnswer, "server", now);
        return;
    }
    CallParty party = PartyOf(target.session);
    m_talk.Redirect(*call, party, now);
    NotifyCalled(*call);
}

} // namespace orv
