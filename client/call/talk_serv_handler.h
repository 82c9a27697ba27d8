// TalkServHandler: the conversation with the talk server for one call. The user-server
// handler creates it on the network thread when an establish notice arrives; it opens a
// stream link to the talk server, runs the call (setup, accept, alert, connect, disconnect,
// DTMF, hold, video pause), drives the process-wide call state, posts what happens to its
// owner's window and opens and closes the call's media.
//
// Events posted to the owner's window as WM_USER+1 (WM_USER+2 once the conference variant
// has connected), wParam = code, lParam = value, only while the handler is active:
//   1 link connected (caller)         2 link closed before it was connected
//   3 connect time-out (caller)       4 link closed after it was connected
//   5 CallSetup queued                6 CallAccept received
//   7 CallAlert sent (we ring)        8 CallAlert received (the peer rings)
//   9 CallConnect sent (answered)    10 media open
//  11 CallDisconnect sent            12 CallDisconnect received (lParam reason)
//  13 call setup time-out            14 call alert time-out
//  22 CallHold received (reason)     23 CallPauseVideo received (pause byte)
//
// Threads: link events and messages arrive on the network thread, time-outs and the call
// timers on the timer thread, user actions (answer, hang up, digits, video pause) on the
// user-interface thread; every operation holds a use of the handler. Media open and close
// run under the handler's media lock, which comes before any media thread's lock.
//
// Life: the handler ends itself once its part of the call is over: when the link to the
// talk server closes, when it does not come up in time, or a few seconds after this side
// sent or received the disconnect (or forwarded the call), which gives the talk server time
// to close the link first. It then closes the link, leaves the owner's current-call slot
// and gives back its own use; it is deleted later on the thread that created it.
#pragma once

#include "client/call/call_media.h"
#include "client/call/call_owner.h"
#include "wire/talk_establish.h"
#include "client/call/talk_packets.h"
#include "client/net/msg_handler.h"
#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {

// Event codes to the owner's window.
enum TalkEvent : int {
    kTalkLinkConnected = 1,
    kTalkLinkClosedEarly = 2,
    kTalkConnectTimeout = 3,
    kTalkLinkClosed = 4,
    kTalkSetupQueued = 5,
    kTalkAcceptReceived = 6,
    kTalkAlertSent = 7,
    kTalkAlertReceived = 8,
    kTalkConnectSent = 9,
    kTalkMediaOpen = 10,
    kTalkDisconnectSent = 11,
    kTalkDisconnectReceived = 12,
    kTalkSetupTimeout = 13,
    kTalkAlertTimeout = 14,
    kTalkHoldReceived = 22,
    kTalkPauseVideoReceived = 23,
};

// Disconnect reasons this client sends.
constexpr std::uint32_t kReasonSetupTimeout = 0;
constexpr std::uint32_t kReasonBusy = 1;
constexpr std::uint32_t kReasonNormal = 2;
constexpr std::uint32_t kReasonNoAnswer = 16;
constexpr std::uint32_t kReasonHandsetBusy = 18;

// Forwarding types of the forward request.
constexpr int kCallForwardBusy = 2;
constexpr int kCallForwardNoAnswer = 3;

// Call record end kinds reported by the handler.
constexpr std::uint32_t kEndLinkLost = 3;
constexpr std::uint32_t kEndRemoteHangup = 4;
constexpr std::uint32_t kEndLocalHangup = 5;

// Time limits in ms.
constexpr std::uint32_t kConnectTimeoutMs = 30000;
constexpr std::uint32_t kSetupDelayMs = 800;
constexpr std::uint32_t kSetupAnswerMs = 15000;
constexpr std::uint32_t kAlertWatchdogMs = 60000;
constexpr std::uint32_t kAlertAnswerMs = 30000;
constexpr std::uint32_t kHoldWatchdogMs = 15000;
constexpr std::uint32_t kTalkKeepAliveMs = 30000;
constexpr std::uint32_t kCallTimerMs = 1000;
constexpr std::uint32_t kEndLingerMs = 5000;

class TalkServHandler : public CMsgHandler {
public:
    // callerId / calledId: the numbers of the two parties (calledId may carry an extension);
    // originalId: the number first dialled; remoteVideoWindow: where the peer's pictures go.
    TalkServHandler(const std::string& callerId, const std::string& calledId, const std::string& originalId,
                    CallOwner* owner, const TalkEstablish& notice, HWND remoteVideoWindow, bool videoSend);
    ~TalkServHandler() override;

    // Opens the stream link to the talk server and connects it. Called by whoever created the
    // handler once it is fully built: the network thread may call into the handler as soon
    // as the link exists, which must not happen while a derived part is still being built.
    void Start();

    // Requests of the call (results: non-zero on success).
    int DoCallSetup();
    void OpenUDPChannel();
    int DoCallAlert();
    int DoCallConnect();
    int DoCallDisconnect(std::uint32_t reason);
    int DoCallDTMF(const std::string& digits);
    int DoCallHold(std::uint32_t reason);
    int DoCallPauseVideo(bool pause);
    int DoTCPKeepAlive() override;

    // The call state machine with this handler's role; skipped (true) while inactive.
    bool SetCallState(int state);

    std::uint32_t GetCallID() const { return m_callId; }
    std::uint32_t GetServID() const { return m_servId; }
    bool IsCaller() const { return m_caller; }
    bool IsActive() const { return m_active.load(); }
    void SetActive(bool active) { m_active.store(active); }
    bool IsConnected() const { return m_connected.load(); }
    const std::string& GetCallerID() const { return m_callerId; }
    const std::string& GetCalledID() const { return m_calledId; }
    const std::string& GetOriginalID() const { return m_originalId; }
    CallMediaParams GetMediaParams();
    bool IsMediaOpen() const { return m_mediaOpen.load(); }
    std::uint32_t GetSubNet() const { return m_subNet.load(); }

    // The owner is going away: no more calls into it (waits for calls in progress).
    void DetachOwner();
    void DetachOwnerIf(CallOwner* owner);

    int OnTcpNotifyMsg(const void* event, const void* detail) override;
    void OnMsgTimeOut(const std::uint8_t* packet, std::uint32_t length) override;
    void OnTimer() override;
    void OnChannelTimer() override;
    void OnAudioProbeTimer() override;
    void OnVideoProbeTimer() override;

protected:
    void OnRecv(const std::uint8_t* message, std::size_t size) override;
    void OnConnected() override;
    void OnDisconnected() override;
    void OnLinkClosed() override;
    void OnLinkLost();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Received-message handlers.
    void OnCallAccept(const std::uint8_t* packet, std::size_t size);
    void OnCallAlert();
    void OnCallConnect();
    void OnCallH323Connect(const std::uint8_t* packet, std::size_t size);
    void OnCallDisconnect(std::uint32_t reason);
    void OnCallHold(std::uint32_t reason);
    void OnCallPauseVideo(std::uint8_t pause);

    // Conference variant hooks.
    virtual void OnConnectedExtra() {}
    virtual bool DispatchOther(const PacketHeader&, const std::uint8_t*, std::size_t) { return false; }
    virtual bool IsConferenceVariant() const { return false; }

    // Per-call log line with the "(address:CallID)" prefix.
    void Log(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void PostEvent(int code, LPARAM value = 0);
    // A conference event whose value is a heap block (new[]) that the final receiver frees;
    // freed here when it cannot be posted or the conference window is not in charge yet.
    void PostEventBlock(int code, std::uint8_t* block);
    // The call's video receive thread gives the sender with this SSRC a picture slot, or
    // takes it back (conference); under the media lock.
    bool AssignVideoStream(std::uint32_t ssrc, bool add);
    bool CheckRegistered(const char* operation);
    int SendPacket(const std::vector<std::uint8_t>& packet, bool pending, int retries, std::uint32_t intervalMs,
                   std::uint32_t delayMs);

    int OpenMedia();
    void CloseMedia();
    void StartProbes();

    // Call records.
    void RecordTalkStarted();
    void RecordCallEnded(std::uint32_t endKind, std::int32_t reason);
    // The chairman's record of one member's invitation: its talk began, or it ended.
    void RecordMember(const std::string& number, bool ended, std::int32_t reason);

    // The end of this side's part: linger for the talk server to close the link, or end now
    // when there is no link to wait for.
    void EndLater();
    void Finish();

    std::atomic<bool> m_confConnected{false};

private:
    bool ForwardInstead(std::uint32_t reason);
    void OnSetupTimeout();
    void OnAlertTimeout();
    void RegisterWatchdog(std::uint32_t intervalMs);
    bool MediaMayOpen() const;
    std::uint32_t ComputeSubNet(std::uint32_t localIpHost) const;
    CallSetupInfo MakeSetupInfo();

    // A counted reference to the owner for one call into it; DetachOwner waits for these.
    class OwnerRef {
    public:
        explicit OwnerRef(TalkServHandler* h) : m_h(h) {
            m_h->m_ownerCalls.fetch_add(1);
            m_owner = m_h->m_owner.load();
        }
        ~OwnerRef() { m_h->m_ownerCalls.fetch_sub(1); }
        OwnerRef(const OwnerRef&) = delete;
        OwnerRef& operator=(const OwnerRef&) = delete;
        explicit operator bool() const { return m_owner != nullptr; }
        CallOwner* operator->() const { return m_owner; }

    private:
        TalkServHandler* m_h;
        CallOwner* m_owner = nullptr;
    };

    const std::string m_callerId;
    const std::string m_calledId;
    const std::string m_originalId;
    const bool m_caller;
    const bool m_noForward;
    const bool m_videoSend;
    const std::uint32_t m_callId;
    const std::uint32_t m_servId;
    const HWND m_remoteVideoWindow;
    // Where the channel announcements go: the peer addresses of the establish notice.
    const std::uint32_t m_noticeAudioIP;
    const std::uint16_t m_noticeAudioPort;
    const std::uint32_t m_noticeVideoIP;
    const std::uint16_t m_noticeVideoPort;
    std::atomic<CallOwner*> m_owner;
    std::atomic<int> m_ownerCalls{0};

    std::atomic<bool> m_active{true};
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_pendingDisconnect{false};
    std::atomic<std::uint32_t> m_pendingReason{0};
    std::atomic<std::uint32_t> m_subNet{0};
    std::atomic<bool> m_endReported{false};
    std::atomic<bool> m_ending{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_mediaOpen{false};
    std::atomic<bool> m_accepted{false};
    // The end of this side's ringing: the answer and the alert's time-out exclude each other.
    enum AlertEnd : int { kAlertRinging = 0, kAlertAnswered = 1, kAlertTimedOut = 2 };
    std::atomic<int> m_alertEnd{kAlertRinging};

    CriticalSection m_csMedia; // media lock: before any media thread's lock
    CallMediaParams m_media;   // peer addresses from the notice, then the negotiated values
    std::unique_ptr<CallMedia> m_callMedia;
    bool m_autoAlloc = true;
    std::uint16_t m_linkPort = 0; // the configured stream port, 0 = chosen by the system
    CriticalSection m_csSetup;
    std::vector<std::uint8_t> m_setupPacket; // kept for the watchdogs
};

// Every live talk handler of this owner forgets it (the owner's destructor calls this).
void DetachCallOwner(CallOwner* owner);

// Tests: runs on the network thread at the end of the called side's alert, after the call
// became visible as ringing (e.g. to stretch that moment); empty = none.
void SetCallAlertHookForTest(std::function<void()> hook);

} // namespace orv
