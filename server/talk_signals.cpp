// The talk server's signalling between the parties of a call: what passes from one to the
// other, what the server keeps (digits, holds), and how a call ends or moves on.
#include "server/talk_server.h"

#include "server/server_log.h"

namespace orv {

namespace {

bool IsDtmfDigit(char c) {
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || (c >= 'A' && c <= 'D') || (c >= 'a' && c <= 'd');
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

} // namespace orv
