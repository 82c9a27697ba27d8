#include "server/talk_server.h"

#include "platform/tick.h"
#include "server/server_log.h"

namespace orv {

namespace {

// A link that serves no live call is closed after this long.
constexpr std::uint32_t kIdleLinkMs = 30000;
// Longest stay in a phase before the server ends the call itself (the clients' own limits
// are shorter: 15 s for CallAccept, 60 s of ringing, 15 s after a hold).
constexpr std::uint32_t kSetupPhaseMs = 45000;
constexpr std::uint32_t kAlertPhaseMs = 120000;
constexpr std::uint32_t kHeldPhaseMs = 30000;
// An ended call is kept this long, so late messages of its parties get a clear answer.
constexpr std::uint32_t kEndedKeepMs = 60000;

const char* SideName(Side s) { return s == Side::Caller ? "caller" : "called"; }

bool IsDtmfDigit(char c) {
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || (c >= 'A' && c <= 'D') || (c >= 'a' && c <= 'd');
}

bool Overstayed(const TalkCall& call, std::uint32_t now) {
    std::uint32_t limit = 0;
    switch (call.phase) {
    case CallPhase::Setup:
    case CallPhase::Accepted: limit = kSetupPhaseMs; break;
    case CallPhase::Alerting: limit = kAlertPhaseMs; break;
    case CallPhase::Held: limit = kHeldPhaseMs; break;
    case CallPhase::Talking:
    case CallPhase::Ended: return false;
    }
    return TickDiff(now, call.phaseSince) > static_cast<std::int32_t>(limit);
}

} // namespace

const char* CallResult(const TalkCall& call, std::uint32_t reason, const std::string& endedBy) {
    if (call.answered) return "answered";
    switch (reason) {
    case 1:
    case 18: return "busy";
    case 2: return "refused";
    case kDisconnectNoAnswer: return "no-answer";
    case kDisconnectNegotiation: return "negotiation-failure";
    default: break;
    }
    if (endedBy == "caller") return "cancelled";
    return endedBy == "server" ? "failed" : "not-answered";
}

TalkServer::TalkServer(TalkCallTable& calls, TalkRecords* records, const EchoService& echo,
                       const TalkServerConfig& config, SendFunction send, CloseFunction close, ReportFunction report)
    : m_calls(calls), m_records(records), m_echo(echo), m_config(config), m_send(std::move(send)),
      m_close(std::move(close)), m_report(std::move(report)) {}

void TalkServer::OnAccepted(LinkHandle link, std::uint32_t now) {
    if (m_links.size() >= m_config.maxLinks) {
        ServerLog("talk: refuse link %u: %zu links open", link, m_links.size());
        m_close(link);
        return;
    }
    LinkState state;
    state.idleSince = now == 0 ? 1 : now;
    m_links[link] = state;
}

std::vector<LinkHandle> TalkServer::Links() const {
    std::vector<LinkHandle> links;
    for (const auto& [link, state] : m_links) links.push_back(link);
    return links;
}

void TalkServer::OnOversizeFrame(LinkHandle link, std::uint32_t length) {
    ServerLog("talk: close link %u: it announced a %u-byte message", link, length);
    m_close(link);
}

TalkCall* TalkServer::BoundCall(LinkHandle link, Side* side) {
    auto it = m_links.find(link);
    if (it == m_links.end() || it->second.callId == 0) return nullptr;
    TalkCall* call = m_calls.Find(it->second.callId);
    if (call == nullptr || call->Party(it->second.side).link != link) return nullptr;
    *side = it->second.side;
    return call;
}

void TalkServer::OnMessage(LinkHandle link, const std::uint8_t* data, std::size_t size, std::uint32_t now) {
    if (m_links.count(link) == 0) return; // a link being closed
    TalkMessage m;
    switch (ParseTalkMessage(data, size, &m)) {
    case TalkParse::Ok: break;
    case TalkParse::Malformed:
        ServerLog("talk: drop %zu-byte message on link %u: malformed header", size, link);
        return;
    case TalkParse::WrongSize:
        ServerLog("talk: drop message 0x%04x on link %u: %zu bytes is not its size", m.header.type, link, size);
        return;
    case TalkParse::UnknownType:
        ServerLog("talk: drop message 0x%04x on link %u: not served here", m.header.type, link);
        return;
    }
    if (m.header.type == kPktTalkKeepAlive) {
        OnKeepAlive(link, m);
        return;
    }
    if (m.header.type == kPktCallSetup) {
        OnSetup(link, m, now);
        return;
    }
    Side side = Side::Caller;
    TalkCall* call = BoundCall(link, &side);
    if (call == nullptr) {
        const auto it = m_links.find(link);
        TalkCall* held = it->second.callId != 0 ? m_calls.Find(it->second.callId) : nullptr;
        if (held != nullptr && held->heldLink == link && m.header.type == kPktCallHold && m.callId == held->id) {
            OnHold(*held, link, m, now);
        } else {
            ServerLog("talk: drop message 0x%04x on link %u: the link serves no call", m.header.type, link);
        }
        return;
    }
    if (m.callId != call->id) {
        ServerLog("talk: drop message 0x%04x on link %u: CallID %u, the link serves call %u", m.header.type, link,
                  m.callId, call->id);
        return;
    }
    if (!call->Active()) {
        ServerLog("talk: drop message 0x%04x of ended call %u", m.header.type, call->id);
        return;
    }
    OnCallMessage(*call, side, link, m, now);
}

void TalkServer::OnKeepAlive(LinkHandle link, const TalkMessage& m) {
    // The answer carries the request's sequence number (and CallID), which is what the
    // client matches.
    const std::vector<std::uint8_t> answer = m.hasCallId ? BuildTalkKeepAlive(m.header.seq, m.callId)
                                                         : BuildHeaderOnly(kPktTalkKeepAlive, m.header.seq);
    m_send(link, answer);
}

void TalkServer::Refuse(LinkHandle link, std::uint32_t callId, std::uint32_t reason) {
    m_send(link, BuildCallReason(kPktCallDisconnect, NextSeq(), callId, reason));
}

void TalkServer::OnSetup(LinkHandle link, const TalkMessage& m, std::uint32_t now) {
    const CallSetup& setup = m.setup;
    TalkCall* call = m_calls.Find(setup.callId);
    if (call == nullptr) {
        ServerLog("talk: CallSetup on link %u for unknown call %u", link, setup.callId);
        Refuse(link, setup.callId, kDisconnectEstablishFailure);
        return;
    }
    if (!call->Active()) {
        ServerLog("talk: CallSetup on link %u for ended call %u", link, call->id);
        Refuse(link, call->id, call->endReason);
        return;
    }
    Side side = Side::Caller;
    if (setup.endpoint != 0 && call->Party(Side::Caller).endpoint == setup.endpoint) {
        side = Side::Caller;
    } else if (setup.endpoint != 0 && call->Party(Side::Called).endpoint == setup.endpoint) {
        side = Side::Called;
    } else {
        ServerLog("talk: CallSetup on link %u for call %u from endpoint %u, which takes no part in it", link,
                  call->id, setup.endpoint);
        Refuse(link, call->id, kDisconnectEstablishFailure);
        return;
    }
    LinkState& state = m_links[link];
    if (state.callId != 0 && (state.callId != call->id || state.side != side)) {
        ServerLog("talk: drop CallSetup on link %u: the link serves call %u already", link, state.callId);
        return;
    }
    CallParty& party = call->Party(side);
    if (party.link != 0 && party.link != link) {
        ServerLog("talk: call %u %s moves from link %u to link %u", call->id, SideName(side), party.link, link);
    }
    const bool repeated = party.hasSetup;
    party.link = link;
    party.hasSetup = true;
    party.setup = setup;
    party.setupSeq = m.header.seq;
    state.callId = call->id;
    state.side = side;
    state.idleSince = 0;
    ServerLog("talk: call %u %s %s set up on link %u (audio %u/%u codecs, video %u/%u)", call->id, SideName(side),
              party.number.c_str(), link, setup.audioCapt.count, setup.audioPlay.count, setup.videoCapt.count,
              setup.videoPlay.count);
    if (repeated && call->phase != CallPhase::Setup && call->phase != CallPhase::Held) {
        SendAccept(*call, side); // its answer was lost or it set up again: the same answer
        return;
    }
    TryAccept(*call, now);
}

void TalkServer::TryAccept(TalkCall& call, std::uint32_t now) {
    if (call.phase != CallPhase::Setup && call.phase != CallPhase::Held) return;
    if (!call.Party(Side::Caller).hasSetup || (!call.echo && !call.Party(Side::Called).hasSetup)) return;
    if (!AudioAgrees(call)) {
        ServerLog("talk: call %u: the parties share no audio codec", call.id);
        EndCall(call, kDisconnectNegotiation, "server", now);
        return;
    }
    call.SetPhase(CallPhase::Accepted, now);
    SendAccept(call, Side::Caller);
    if (call.echo) {
        AnswerEcho(call, now);
    } else {
        SendAccept(call, Side::Called);
    }
}

void TalkServer::SendAccept(TalkCall& call, Side side) {
    const MediaParams p = NegotiateFor(call, side, m_config.rendezvous);
    ServerLog("talk: call %u accept %s: audio send %u receive %u, video send %u receive %u, media to %s:%u and %s:%u",
              call.id, SideName(side), p.audioCapt, p.audioPlay, p.videoCapt, p.videoPlay,
              DottedQuad(p.peerAudio.ip).c_str(), p.peerAudio.port, DottedQuad(p.peerVideo.ip).c_str(),
              p.peerVideo.port);
    const CallParty& party = call.Party(side);
    SendTo(call, side, BuildCallAccept(kPktCallAccept, party.setupSeq, call.id, p));
}

void TalkServer::AnswerEcho(TalkCall& call, std::uint32_t now) {
    // The service rings and answers at once: the caller opens its media on the connect.
    SendTo(call, Side::Caller, BuildCallByte(kPktCallAlert, NextSeq(), call.id, 0));
    SendTo(call, Side::Caller, BuildCallByte(kPktCallConnect, NextSeq(), call.id, 0));
    call.SetPhase(CallPhase::Talking, now);
    call.answered = true;
    if (m_records != nullptr) m_records->Answered(call.recordId);
    ServerLog("talk: call %u answered by the echo service", call.id);
}

bool TalkServer::SendTo(TalkCall& call, Side side, const std::vector<std::uint8_t>& packet) {
    const LinkHandle link = call.Party(side).link;
    return link != 0 && m_send(link, packet);
}

void TalkServer::Relay(TalkCall& call, Side to, std::uint16_t type, std::uint32_t value) {
    if (call.echo && to == Side::Called) return; // the service itself: nothing to pass on
    const std::uint32_t seq = NextSeq();
    const bool reason = type == kPktCallDisconnect || type == kPktCallHold;
    const std::vector<std::uint8_t> packet = reason ? BuildCallReason(type, seq, call.id, value)
                                                    : BuildCallByte(type, seq, call.id, static_cast<std::uint8_t>(value));
    if (!SendTo(call, to, packet)) {
        ServerLog("talk: call %u: message 0x%04x not passed on, the %s is not linked", call.id, type, SideName(to));
    }
}

void TalkServer::OnCallMessage(TalkCall& call, Side side, LinkHandle link, const TalkMessage& m, std::uint32_t now) {
    const Side peer = Other(side);
    switch (m.header.type) {
    case kPktCallAlert:
        if (side == Side::Called && call.phase == CallPhase::Accepted) call.SetPhase(CallPhase::Alerting, now);
        Relay(call, peer, m.header.type, m.value);
        break;
    case kPktCallConnect:
        if (side == Side::Called && !call.answered) {
            call.answered = true;
            call.SetPhase(CallPhase::Talking, now);
            if (m_records != nullptr) m_records->Answered(call.recordId);
            ServerLog("talk: call %u answered by %s", call.id, call.Party(side).number.c_str());
        }
        Relay(call, peer, m.header.type, m.value);
        break;
    case kPktCallDisconnect:
        ServerLog("talk: call %u: %s hangs up, reason %u", call.id, SideName(side), m.value);
        call.Party(side).link = 0; // it said goodbye: nothing more goes to it
        EndCall(call, m.value, SideName(side), now);
        call.Party(side).link = link;
        break;
    case kPktCallHold:
        if (side == Side::Called) {
            OnHold(call, link, m, now);
        } else {
            Relay(call, peer, m.header.type, m.value);
        }
        break;
    case kPktCallPauseVideo: Relay(call, peer, m.header.type, m.value); break;
    case kPktCallDTMF: OnDigits(call, side, m.digits); break;
    default: break;
    }
}

void TalkServer::OnHold(TalkCall& call, LinkHandle link, const TalkMessage& m, std::uint32_t now) {
    // The called side hands the call on (its forward request goes to the user server): the
    // caller is told to wait, and the forward-to party takes the called side's place.
    ServerLog("talk: call %u held by the called side, reason %u", call.id, m.value);
    // A party reached by forwarding was told not to forward again; the hold of the party
    // it replaced (its forward came in first) is the one that started it.
    if (call.noForward && link != call.heldLink) {
        ServerLog("talk: call %u may not be forwarded again: ends", call.id);
        EndCall(call, kDisconnectBusy, "called", now);
        return;
    }
    if (call.heldLink != link) {
        call.heldLink = link;
        if (call.phase != CallPhase::Held) call.SetPhase(CallPhase::Held, now);
    }
    Relay(call, Side::Caller, kPktCallHold, m.value);
}

void TalkServer::OnDigits(TalkCall& call, Side side, const std::string& digits) {
    std::string taken;
    for (char c : digits) {
        if (IsDtmfDigit(c)) taken.push_back(c);
    }
    if (taken.size() != digits.size()) {
        ServerLog("talk: call %u: %zu characters of a DTMF message are no digits", call.id,
                  digits.size() - taken.size());
    }
    if (taken.empty()) return;
    call.digits += taken;
    if (m_records != nullptr) m_records->AddDigits(call.recordId, taken);
    const std::string& from = call.Party(side).number;
    m_report("DTMF call=" + std::to_string(call.id) + " from=" + from + " digits=" + taken);
    if (call.echo) m_echo.OnDigits(call.id, from, taken);
}

void TalkServer::EndCall(TalkCall& call, std::uint32_t reason, const char* endedBy, std::uint32_t now) {
    if (!call.Active()) return;
    for (Side s : {Side::Caller, Side::Called}) {
        if (call.echo && s == Side::Called) continue;
        SendTo(call, s, BuildCallReason(kPktCallDisconnect, NextSeq(), call.id, reason));
    }
    call.endReason = reason;
    call.endedBy = endedBy;
    call.SetPhase(CallPhase::Ended, now);
    const char* result = CallResult(call, reason, call.endedBy);
    if (m_records != nullptr) m_records->End(call.recordId, result, reason, call.endedBy);
    const CallParty& caller = call.Party(Side::Caller);
    const CallParty& called = call.Party(Side::Called);
    ServerLog("talk: call %u from %s to %s ends: %s, reason %u, by %s", call.id, caller.number.c_str(),
              called.number.c_str(), result, reason, endedBy);
    m_report("CALL id=" + std::to_string(call.id) + " caller=" + caller.number + " called=" + called.number +
             " original=" + call.original + " result=" + result + " reason=" + std::to_string(reason) +
             " by=" + call.endedBy + " digits=" + call.digits);
}

void TalkServer::ReportRefused(const std::string& caller, const std::string& called, const char* result,
                              std::int32_t reason) {
    m_report("CALL id=0 caller=" + caller + " called=" + called + " original= result=" + result +
             " reason=" + std::to_string(reason) + " by=server digits=");
}

void TalkServer::Redirect(TalkCall& call, const CallParty& newCalled, std::uint32_t now) {
    CallParty& called = call.Party(Side::Called);
    if (call.heldLink == 0) call.heldLink = called.link;
    if (call.original.empty()) call.original = called.number;
    called = newCalled;
    call.noForward = true;
    call.SetPhase(CallPhase::Held, now);
    if (m_records != nullptr) m_records->Forwarded(call.recordId, called.number, call.original);
    ServerLog("talk: call %u forwarded from %s to %s", call.id, call.original.c_str(), called.number.c_str());
}

void TalkServer::OnLinkGone(LinkHandle link, std::uint32_t now) {
    Side side = Side::Caller;
    TalkCall* call = BoundCall(link, &side);
    m_links.erase(link);
    if (call == nullptr) return;
    call->Party(side).link = 0;
    if (call->Active()) {
        ServerLog("talk: call %u: the %s's link is gone", call->id, SideName(side));
        EndCall(*call, kDisconnectNetwork, SideName(side), now);
    }
}

void TalkServer::OnTimer(std::uint32_t now) {
    std::vector<std::uint32_t> forget;
    m_calls.ForEach([&](TalkCall& call) {
        if (Overstayed(call, now)) {
            ServerLog("talk: call %u stayed too long in phase %s", call.id, PhaseName(call.phase));
            EndCall(call, kDisconnectServerHangup, "server", now);
        } else if (!call.Active() && TickDiff(now, call.phaseSince) > static_cast<std::int32_t>(kEndedKeepMs)) {
            forget.push_back(call.id);
        }
    });
    for (std::uint32_t id : forget) m_calls.Remove(id);

    std::vector<LinkHandle> idle;
    for (auto& [link, state] : m_links) {
        Side side = Side::Caller;
        const TalkCall* call = BoundCall(link, &side);
        if (call != nullptr && call->Active()) {
            state.idleSince = 0;
        } else if (state.idleSince == 0) {
            state.idleSince = now == 0 ? 1 : now;
        } else if (TickDiff(now, state.idleSince) > static_cast<std::int32_t>(kIdleLinkMs)) {
            idle.push_back(link);
        }
    }
    for (LinkHandle link : idle) {
        ServerLog("talk: close link %u: it serves no call", link);
        m_close(link);
    }
}

} // namespace orv
