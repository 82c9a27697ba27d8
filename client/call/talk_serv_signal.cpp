// TalkServHandler: the requests of the local side (alert, answer, hang-up with the
// forwarding check, hold, digits, video pause, keep-alive) and the talk server's
// disconnect, hold and video-pause messages.
#include "client/call/call_state.h"
#include "client/call/talk_serv_handler.h"

#include <functional>
#include <mutex>

namespace orv {

namespace {
std::mutex g_alertHookLock;
std::function<void()> g_alertHook;

void RunAlertHook() {
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(g_alertHookLock);
        hook = g_alertHook;
    }
    if (hook) hook();
}
} // namespace

void SetCallAlertHookForTest(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(g_alertHookLock);
    g_alertHook = std::move(hook);
}

int TalkServHandler::DoCallAlert() {
    UseGuard use(this);
    if (!CheckRegistered("DoCallAlert")) return 0;
    if (!SetCallState(CALLSTATE_SENDALERT)) {
        Log(3, "SetCallState(CALLSTATE_SENDALERT) failed CurState=%d", GetCallState());
        return 0;
    }
    Log(3, "DoCallAlert");
    // The alert with its answer time-out is pending before anyone learns that the call
    // rings: an answer that comes at once finds it and cancels it.
    int sent = SendPacket(BuildCallByte(PKT_CALL_ALERT, m_callId, 0), true, 0, kAlertAnswerMs, 0);
    {
        OwnerRef owner(this);
        if (owner) owner->OnCallRinging(this, m_callerId);
    }
    PostEvent(kTalkAlertSent);
    RunAlertHook();
    return sent;
}

int TalkServHandler::DoCallConnect() {
    UseGuard use(this);
    if (!CheckRegistered("DoCallConnect")) return 0;
    // The answer wins over the alert's time-out unless that already ended the call.
    int ringing = kAlertRinging;
    if (!m_alertEnd.compare_exchange_strong(ringing, kAlertAnswered) && ringing == kAlertTimedOut) {
        Log(3, "DoCallConnect after the alert timed out");
        return 0;
    }
    if (!SetCallState(CALLSTATE_SENDCONNECT)) {
        Log(3, "SetCallState(CALLSTATE_SENDCONNECT) failed CurState=%d", GetCallState());
        return 0;
    }
    FindPending(0, PKT_CALL_ALERT, 2, true);
    Log(3, "DoCallConnect");
    OpenMedia();
    if (IsConferenceVariant()) m_confConnected.store(true);
    PostEvent(kTalkConnectSent);
    RecordTalkStarted();
    return SendPacket(BuildCallByte(PKT_CALL_CONNECT, m_callId, 0), false, 0, 0, 0);
}

int TalkServHandler::DoCallDisconnect(std::uint32_t reason) {
    UseGuard use(this);
    if (!CheckRegistered("DoCallDisconnect")) return 0;
    if (!SetCallState(CALLSTATE_SENDDISCONNECT)) {
        Log(3, "SetCallState(CALLSTATE_SENDDISCONNECT) failed CurState=%d", GetCallState());
        return 0;
    }
    if (ForwardInstead(reason)) {
        CloseMedia();
        EndLater();
        return 1;
    }
    Log(3, "DoCallDisconnect");
    PostEvent(kTalkDisconnectSent);
    if (reason == kReasonNormal) RecordTalkStarted();
    RecordCallEnded(kEndLocalHangup, static_cast<std::int32_t>(reason));
    int sent = SendPacket(BuildCallReason(PKT_CALL_DISCONNECT, m_callId, reason), false, 0, 0, 0);
    CloseMedia();
    EndLater();
    return sent != 0 ? 1 : 0;
}

// A busy or unanswered call is handed to the user server's forwarding when this side may
// forward it; the talk server is then told to hold the call instead of ending it.
bool TalkServHandler::ForwardInstead(std::uint32_t reason) {
    if (m_noForward) return false;
    int type = 0;
    if (reason == kReasonBusy || reason == kReasonHandsetBusy) type = kCallForwardBusy;
    if (reason == kReasonNoAnswer) type = kCallForwardNoAnswer;
    if (type == 0) return false;
    {
        OwnerRef owner(this);
        if (!owner || owner->RequestCallForward(type, m_servId, m_callId, m_callerId) == 0) return false;
    }
    DoCallHold(kReasonBusy);
    return true;
}

int TalkServHandler::DoCallHold(std::uint32_t reason) {
    UseGuard use(this);
    if (!CheckRegistered("DoCallHold")) return 0;
    Log(3, "DoCallHold reason=%ld", static_cast<long>(reason));
    return SendPacket(BuildCallReason(PKT_CALL_HOLD, m_callId, reason), false, 0, 0, 0);
}

int TalkServHandler::DoCallDTMF(const std::string& digits) {
    UseGuard use(this);
    if (!CheckRegistered("DoCallDTMF")) return 0;
    int sent = 1;
    std::size_t at = 0;
    for (const std::string& piece : SplitDtmfDigits(digits)) {
        Log(3, "DoCallDTMF num=%s", digits.c_str() + at);
        if (SendPacket(BuildCallDTMF(m_callId, piece), false, 0, 0, 0) == 0) sent = 0;
        at += piece.size();
    }
    return sent;
}

int TalkServHandler::DoCallPauseVideo(bool pause) {
    UseGuard use(this);
    Log(3, "DoCallPauseVideo pause=%s", pause ? "TRUE" : "FALSE");
    return SendPacket(BuildCallByte(PKT_CALL_PAUSE_VIDEO, m_callId, pause ? 1 : 0), false, 0, 0, 0);
}

int TalkServHandler::DoTCPKeepAlive() {
    UseGuard use(this);
    Log(3, "DoTCPKeepAlive CallID=%ld", static_cast<long>(m_callId));
    return SendPacket(BuildTalkKeepAlive(m_callId), true, -1, kTalkKeepAliveMs, 0);
}

void TalkServHandler::OnCallDisconnect(std::uint32_t reason) {
    UseGuard use(this);
    Log(3, "OnCallDisconnect reason=%ld", static_cast<long>(reason));
    // A called side that never rang here (refused setup) has nothing to change.
    if (!m_caller && GetCallState() == CALLSTATE_IDLE) m_active.store(false);
    if (SetCallState(CALLSTATE_RECVDISCONNECT)) {
        PostEvent(kTalkDisconnectReceived, static_cast<LPARAM>(reason));
        CloseMedia();
        RecordCallEnded(kEndRemoteHangup, static_cast<std::int32_t>(reason));
        m_active.store(false);
    } else {
        Log(3, "SetCallState(CALLSTATE_RECVDISCONNECT) failed CurState=%d", GetCallState());
    }
    EndLater();
}

void TalkServHandler::OnCallHold(std::uint32_t reason) {
    UseGuard use(this);
    Log(3, "OnCallHold reason=%ld", static_cast<long>(reason));
    FindPending(0, PKT_CALL_SETUP, 2, true);
    RegisterWatchdog(kHoldWatchdogMs);
    PostEvent(kTalkHoldReceived, static_cast<LPARAM>(reason));
}

void TalkServHandler::OnCallPauseVideo(std::uint8_t pause) {
    UseGuard use(this);
    Log(3, "OnCallPauseVideo pause=%s", pause != 0 ? "TRUE" : "FALSE");
    PostEvent(kTalkPauseVideoReceived, pause);
}

} // namespace orv
