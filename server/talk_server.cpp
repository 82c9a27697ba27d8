#include "server/talk_server.h"

#include "platform/tick.h"
#include "server/server_log.h"
#include "wire/ipv4_text.h"

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

TalkServer::TalkServer(TalkCallTable& calls, TalkRecords* records, const EchoService& echo,
                       const TalkServerConfig& config, SendFunction send, CloseFunction close, ReportFunction report)
    : m_calls(calls), m_records(records), m_echo(echo), m_config(config), m_send(std::move(send)),
      m_report(std::move(report)), m_links("talk", config.maxLinks, std::move(close)) {}

void TalkServer::OnAccepted(LinkHandle link, std::uint32_t now) { m_links.Accept(link, now); }

void TalkServer::OnOversizeFrame(LinkHandle link, std::uint32_t length) { m_links.CloseOversize(link, length); }

void TalkServer::Close(LinkHandle link) { m_links.Close(link); }

TalkCall* TalkServer::BoundCall(LinkHandle link, Side* side) {
    const LinkState* state = m_links.Find(link);
    if (state == nullptr || state->callId == 0) return nullptr;
    TalkCall* call = m_calls.Find(state->callId);
    if (call == nullptr || call->Party(state->side).link != link) return nullptr;
    *side = state->side;
    return call;
}

void TalkServer::OnMessage(LinkHandle link, const std::uint8_t* data, std::size_t size, std::uint32_t now) {
    if (!m_links.Listening(link)) return; // not accepted, or being closed
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
        const std::uint32_t heldId = m_links.Find(link)->callId;
        TalkCall* held = heldId != 0 ? m_calls.Find(heldId) : nullptr;
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
    const std::vector<std::uint8_t> answer = m.hasCallId ? BuildTalkKeepAlive(m.header.seqNum, m.callId)
                                                         : BuildHeaderOnly(kPktTalkKeepAlive, m.header.seqNum);
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
    party.setupSeq = m.header.seqNum;
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

void TalkServer::OnLinkGone(LinkHandle link, std::uint32_t now) {
    Side side = Side::Caller;
    TalkCall* call = BoundCall(link, &side);
    m_links.Forget(link);
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

    m_links.CloseIdle(
        now, kIdleLinkMs,
        [this](LinkHandle link) {
            Side side = Side::Caller;
            const TalkCall* call = BoundCall(link, &side);
            return call != nullptr && call->Active();
        },
        "call");
}

} // namespace orv
