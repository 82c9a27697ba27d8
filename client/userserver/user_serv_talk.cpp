// The talk side of the user-server session: the talk request, the establish notice that
// creates the call's talk-server handler, the call button, hang-up in every state, digits,
// the current call handler and the call records of calls that never reached a talk server.
#include "client/call/call_state.h"
#include "client/conference/conf_serv_handler.h"
#include "client/data/call_record_list.h"
#include "client/log/log.h"
#include "client/userserver/user_serv_handler.h"

#include <cstring>
#include <mutex>

namespace orv {

namespace {

constexpr int kTalkRequestRetries = 5;
constexpr std::uint32_t kTalkRequestIntervalMs = 5000;

} // namespace

// ---- the current call handler

TalkServHandler* CUserServHandler::LockCallHandler() {
    m_talk.csCallHandler.Lock();
    return m_talk.callHandler;
}

void CUserServHandler::UnlockCallHandler() { m_talk.csCallHandler.Unlock(); }

void CUserServHandler::SetCallHandler(TalkServHandler* handler) {
    std::lock_guard<CriticalSection> lock(m_talk.csCallHandler);
    m_talk.callHandler = handler;
}

void CUserServHandler::SetVideoContext(HWND remoteVideoWindow, bool videoSend) {
    m_talk.remoteVideoWindow.store(remoteVideoWindow);
    m_talk.videoSend.store(videoSend);
}

PeerBlock CUserServHandler::GetCurrentPeer() const {
    std::lock_guard<CriticalSection> lock(m_talk.csPeer);
    return m_talk.peer;
}

std::string CUserServHandler::GetDialledText() const {
    std::lock_guard<CriticalSection> lock(m_talk.csPeer);
    return m_talk.dialled;
}

void CUserServHandler::SetCurrentPeer(const std::string& text) {
    std::lock_guard<CriticalSection> lock(m_talk.csPeer);
    m_talk.peer = PeerBlock{};
    PutTextField(reinterpret_cast<std::uint8_t*>(m_talk.peer.dialled), kPeerFieldSize, text.c_str());
    m_friends.LookupPeer(&m_talk.peer); // name and kind from the friend list, the extension
}

// ---- what the talk-server handlers ask of the session

HWND CUserServHandler::CallEventWindow() const { return GetSafeHwnd(); }
ClientConfig& CUserServHandler::CallConfig() { return m_config; }
CallRecordList* CUserServHandler::CallRecords() { return m_records; }

void CUserServHandler::OnCallRinging(TalkServHandler* handler, const std::string& callerId) {
    SetCallHandler(handler);
    SetCurrentPeer(callerId);
}

int CUserServHandler::RequestCallForward(int type, std::uint32_t servId, std::uint32_t callId,
                                         const std::string& caller) {
    return DoCallForward(type, servId, callId, caller.c_str());
}

void CUserServHandler::OnCallHandlerGone(TalkServHandler* handler) {
    std::lock_guard<CriticalSection> lock(m_talk.csCallHandler);
    if (m_talk.callHandler == handler) m_talk.callHandler = nullptr;
}

// ---- requests of the user interface

int CUserServHandler::DoTalkRequest(const std::string& dialled) {
    UseGuard use(this);
    if (EndpointID.load() == 0) {
        WriteLog(3, "DoTalkRequest Local EndpointID=0, means not registered");
        return 0;
    }
    if (!SetCallState(CALLSTATE_SENDREQUEST, true)) {
        WriteLog(3, "SetCallState(CALLSTATE_SENDREQUEST) failed CurState=%d", GetCallState());
        Post(m_mainWnd.load(), WM_CALL_PROGRESS, kProgressRefusedLocally, 1);
        return 0;
    }
    std::vector<std::uint8_t> packet = BuildTalkRequest(GetUserNumber(), DialledNumber(dialled));
    BuildHeader(packet.data(), static_cast<std::uint32_t>(packet.size()), PKT_TALK_REQUEST, 0);
    {
        std::lock_guard<CriticalSection> lock(m_talk.csPeer);
        m_talk.dialled = dialled;
    }
    WriteLog(3, "DoTalkRequest Called=%s", dialled.c_str());
    // "Calling" is posted before the request leaves: an answer that comes at once (calling
    // oneself, an unknown number) is posted by the network thread and must come after it.
    SetCurrentPeer(dialled);
    Post(m_mainWnd.load(), WM_CALL_PROGRESS, kProgressCalling, 0);
    return SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), true, kTalkRequestRetries,
                    kTalkRequestIntervalMs, 0);
}

bool CUserServHandler::CallOrAnswer(const std::string& text, std::string* lastDialled) {
    UseGuard use(this);
    int state = GetCallState();
    if (state == CALLSTATE_IDLE && !text.empty()) {
        DoTalkRequest(text);
        if (lastDialled != nullptr) *lastDialled = text;
        return true;
    }
    if (state != CALLSTATE_SENDALERT) return false;
    TalkServHandler* handler = LockCallHandler();
    bool answered = false;
    if (handler != nullptr) {
        handler->DoCallConnect();
        // An incoming conference call also brings the conference window forward, and the
        // conference server hears that this member answered.
        if (handler->GetHandlerName() == kConfHandlerName) {
            Post(m_mainWnd.load(), WM_CONF_ANSWERED, 0, 0);
            static_cast<ConfServHandler*>(handler)->DoConfCmd(kConfCmdAnswered, 0);
        }
        answered = true;
    }
    UnlockCallHandler();
    return answered;
}

int CUserServHandler::EndTalk() {
    UseGuard use(this);
    TalkServHandler* handler = LockCallHandler();
    int state = GetCallState();
    WriteLog(3, "EndTalk CallState=%d, CallHandler=0x%08x", state,
             static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(handler)));
    int result = 1;
    if (state == CALLSTATE_IDLE) {
        result = 0;
    } else if (state == CALLSTATE_SENDALERT) {
        if (handler != nullptr) {
            handler->DoCallDisconnect(kReasonNormal); // refused while it rang
            handler->SetActive(false);
            SetCallState(CALLSTATE_IDLE, false);
        } else {
            WriteLog(3, "Error in end talk, m_pCallHandler must not be null");
            result = 0;
        }
    } else {
        CancelPendingRequests();
        if (handler != nullptr) {
            handler->DoCallDisconnect(kReasonSetupTimeout);
            handler->SetActive(false);
        }
        SetCallState(CALLSTATE_IDLE, true);
    }
    UnlockCallHandler();
    return result;
}

// A request still unanswered is taken back: no resend, no time-out later.
void CUserServHandler::CancelPendingRequests() {
    std::vector<std::uint8_t> copy;
    if (FindPending(0, PKT_TALK_REQUEST, 2, true, &copy)) {
        Post(m_mainWnd.load(), WM_CALL_PROGRESS, kProgressRequestCancelled, 0);
        ByteReader r(copy.data() + kPacketHeaderSize, copy.size() - kPacketHeaderSize);
        std::string own = r.TextFull(kNumberField);
        std::string called = r.TextFull(kNumberField);
        if (m_records != nullptr && r.Ok()) m_records->AddFailed(0, own, called, 0, kEndRequestCancelled);
    }
    if (FindPending(0, PKT_CONF_REQUEST, 2, true))
        Post(m_confWnd.load(), WM_CALL_PROGRESS, kProgressRequestCancelled, 0);
}

int CUserServHandler::DoCallDTMF(const std::string& digits) {
    UseGuard use(this);
    TalkServHandler* handler = LockCallHandler();
    int result = 0;
    if (handler != nullptr)
        result = handler->DoCallDTMF(digits);
    else
        WriteLog(3, "DoCallDTMF Error");
    UnlockCallHandler();
    return result;
}

// ---- answers of the user server

void CUserServHandler::OnTalkEstablish(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    TalkEstablish notice;
    if (body == nullptr || !ParseTalkEstablish(body, size, &notice)) {
        WriteLog(3, "OnTalkEstablish Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        WriteLog(3, "OnTalkEstablish Local EndpointID=0, means not registered");
        return;
    }
    const bool caller = notice.IsCaller();
    // Our own request is answered; a called-side notice comes unasked.
    if (caller && !FindPending(h.seqNum, PKT_TALK_REQUEST, 3, true)) {
        WriteLog(3, "Get TalkEstablish Packet, But Something seems Error in Local Packet list");
        return;
    }
    const char* role = caller ? "caller" : "called";
    std::string own = GetUserNumber();
    std::string dialled = GetDialledText();
    if (notice.result != 0) {
        WriteLog(3, "OnTalkEstablish be %s, Failed reason=%d", role, notice.reason);
        if (!caller) return;
        SetCallState(CALLSTATE_IDLE, true);
        Post(m_mainWnd.load(), WM_CALL_PROGRESS, kProgressRequestRefused, notice.reason);
        if (m_records != nullptr) m_records->AddFailed(0, own, dialled, notice.reason, kEndRequestRefused);
        return;
    }
    WriteLog(3, "OnTalkEstablish be %s, CallID=%ld, TalkServIP=0x%08x, TalkServPort=%d", role,
             static_cast<long>(notice.callId), notice.talkServIP, notice.talkServPort);
    HWND video = m_talk.remoteVideoWindow.load();
    bool videoSend = m_talk.videoSend.load();
    if (caller) {
        // The handler lives on this (the network) thread and ends itself with the call.
        auto* handler = new TalkServHandler(own, dialled, own, this, notice, video, videoSend);
        SetCallHandler(handler);
        handler->Start();
        if (m_records != nullptr) m_records->Add(1, 0, notice.callId, own, dialled, kDialledCall, 0);
    } else {
        (new TalkServHandler(notice.callingNumber, own, own, this, notice, video, videoSend))->Start();
        if (m_records != nullptr) m_records->Add(0, 0, notice.callId, notice.callingNumber, own, kMissedCall, 0);
    }
}

// A talk request that got no answer at all: recorded as failed, and the call state, which
// nothing else would move on, goes back to idle.
void CUserServHandler::OnTalkRequestTimeout(const std::uint8_t* packet, std::uint32_t length) {
    if (packet == nullptr || length < kTalkRequestSize) return;
    ByteReader r(packet + kPacketHeaderSize, length - kPacketHeaderSize);
    std::string own = r.TextFull(kNumberField);
    std::string called = r.TextFull(kNumberField);
    if (GetCallState() == CALLSTATE_SENDREQUEST) SetCallState(CALLSTATE_IDLE, true);
    if (m_records != nullptr) m_records->AddFailed(0, own, called, 0, kEndRequestTimeout);
}

} // namespace orv
