// CUserServHandler: the client's one conversation with the user server, over a datagram
// link. It finds the user server, logs on, keeps the registration alive at the pace the
// server asks for, reacts to a re-logon demand or a forced logout, and logs out. Results
// go to the client shell's windows as posted messages.
#pragma once

#include "client/friends/friend_store.h"
#include "client/call/call_owner.h"
#include "client/call/call_state.h"
#include "client/net/msg_handler.h"
#include "client/userserver/service_options.h"
#include "client/userserver/user_serv_packets.h"
#include "client/userserver/user_serv_talk.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

class ClientConfig;
class CallRecordList;
class TextTable;

// Messages posted to the client shell's windows.
constexpr UINT WM_LOGON_RESULT = WM_USER + 8;     // wParam 0 = logon complete, 255 = refused (lParam reason),
                                                  // kLogonAnswerInvalid (lParam the result byte)
constexpr UINT WM_SERVER_FAILURE = WM_USER + 10;  // wParam packet type; lParam timed-out request copy or 0
constexpr UINT WM_FORCED_LOGOUT = WM_USER + 13;   // wParam logout code
constexpr UINT WM_FORWARD_RESULT = WM_USER + 16;  // forwarding dialog: wParam result, lParam value
constexpr UINT WM_PASSWORD_RESULT = WM_USER + 17; // password dialog: wParam result, lParam value
constexpr UINT WM_OPTIONS_CHANGED = WM_USER + 19; // main window: forwarding or offline calls changed
constexpr UINT WM_ACCOUNT_SERVER = WM_USER + 20;  // account window: wParam 1 = refused, lParam reason
constexpr UINT WM_BIND_RESULT = WM_USER + 27;     // main window: wParam result, lParam option character

// WM_LOGON_RESULT's code for a login answer that matched the request but could not be used.
constexpr WPARAM kLogonAnswerInvalid = 1;

// Logon progress bits: still awaited after a successful login answer.
constexpr int kAwaitKeepAlive = 1;
constexpr int kAwaitCustomInfo = 2;

class AcctServHandler;
class UpdateServHandler;

class CUserServHandler : public CMsgHandler, public CallOwner {
public:
    // config holds the local port choice and the keep-alive period; records (may be null)
    // is told when the user has logged on. texts (null: the built-in English texts) names
    // the default friend group. All must outlive the handler.
    CUserServHandler(ClientConfig& config, CallRecordList* records, const TextTable* texts = nullptr);
    ~CUserServHandler() override;

    bool SetLoginInfo(const char* number, const char* password);
    void SetBindValue(std::uint32_t value) { m_bindValue.store(value); }
    void SetLogonWindow(HWND hwnd) { m_logonWnd.store(hwnd); }
    void SetMainWindow(HWND hwnd) { m_mainWnd.store(hwnd); }
    void SetConfWindow(HWND hwnd) { m_confWnd.store(hwnd); }
    // The window told of call-state changes is set apart (SetCallStateWindow): a front-end
    // that takes friend messages and call progress at one window could not tell the
    // call-state messages from the call progress, which share WM_USER+5.
    void SetFriendListWindow(HWND hwnd) { m_friendListWnd.store(hwnd); }
    void SetForwardWindow(HWND hwnd) { m_forwardWnd.store(hwnd); }
    void SetPasswordWindow(HWND hwnd) { m_passwordWnd.store(hwnd); }
    void SetAccountWindow(HWND hwnd) { m_accountWnd.store(hwnd); }
    void SetRememberPassword(bool remember) { m_rememberPassword.store(remember); }
    bool RememberPassword() const { return m_rememberPassword.load(); }

    int QuerySvrIPPort(int retries);
    int DoLogin(int retries);
    void CancelLogin();
    int DoKeepAlive(int retries, std::uint32_t intervalMs, std::uint32_t delayMs);
    int DoLogout();
    int DoGetInfoRequest(std::uint16_t type, int retries, std::uint32_t delayMs);

    // Calls (user_serv_talk.cpp). A dialled text may carry an extension after "*": only
    // the number before it is sent; the whole text is shown and recorded.
    int DoTalkRequest(const std::string& dialled);
    // The call button: places a call when idle (text not empty), answers while ringing.
    bool CallOrAnswer(const std::string& text, std::string* lastDialled);
    int EndTalk(); // the hang-up button, in every call state
    int DoCallDTMF(const std::string& digits);
    // Conferences (user_serv_conference.cpp): ask for a room (this side becomes its
    // chairman) and invite a number (optionally "*" and an extension) into it.
    int DoConfRequest();
    int DoConfInvite(const std::string& dialled);
    // The current call handler: LockCallHandler enters its lock and returns it (may be
    // null); the caller leaves with UnlockCallHandler after its last use, on every path.
    TalkServHandler* LockCallHandler();
    void UnlockCallHandler();
    void SetCallHandler(TalkServHandler* handler);
    // Handed to every call: the remote picture's window and whether video is offered.
    void SetVideoContext(HWND remoteVideoWindow, bool videoSend);
    PeerBlock GetCurrentPeer() const;
    std::string GetDialledText() const;
    // Call events of the call handlers (WM_USER+1 / +2), relayed to the windows as WM_USER+5.
    int OnTalkServMsg(WPARAM code, LPARAM value) override;
    int OnConfServMsg(WPARAM code, LPARAM value) override;
    // What a call handler asks of the session.
    HWND CallEventWindow() const override;
    ClientConfig& CallConfig() override;
    CallRecordList* CallRecords() override;
    void OnCallRinging(TalkServHandler* handler, const std::string& callerId) override;
    void OnCallHandlerGone(TalkServHandler* handler) override;
    int RequestCallForward(int type, std::uint32_t servId, std::uint32_t callId, const std::string& caller) override;

    // Friends (user_serv_friends.cpp). DoSetFriendInfo puts the own number into the
    // record; a new friend carries RecordID 0.
    FriendStore& Friends() { return m_friends; }
    int DoGetFriendDetail(std::uint32_t recordId);
    int DoSetFriendInfo(FriendEntry* entry);
    int DoDelFriendInfo(std::uint32_t recordId);

    // Service options (user_serv_options.cpp, user_serv_forward.cpp).
    int SetForwardInfo(const ForwardRecord& record);
    // Asks the server to forward a busy (type 2) or unanswered (type 3) call; 0 when
    // nothing was sent.
    int DoCallForward(int type, std::uint32_t servId, std::uint32_t callId, const char* caller);
    bool GetForwardInfo(ForwardRecord* record) const { return m_forwardCache.Get(record); }
    void SetForwardCache(const ForwardRecord& record) { m_forwardCache.Set(record); }
    int DoSetPwd(const char* newPassword);
    int DoSetBindIDOpt(char option);
    char GetBindIDOpt() const { return m_options.BindOption(); }
    int DoFileUpdateQuery(int retries);
    int QueryAccountServ();
    std::vector<SupportEntry> GetSupportInfo() const { return m_options.Support(); }
    std::optional<ServerAnswerAddress> GetUpdateServer() const { return m_options.UpdateServer(); }
    std::optional<ServerAnswerAddress> GetAccountServer() const { return m_options.AccountServer(); }
    // The account-server handler made from the latest answer, with a use taken for the
    // caller (who gives it back with ReleaseUse), or null before the first answer.
    AcctServHandler* TakeAccountHandler();
    // The update-server handler made from the latest file update answer, with a use taken
    // for the caller (given back with ReleaseUse), or null.
    UpdateServHandler* TakeUpdateHandler();
    // Gives back the handler's own unit and forgets it (after the install).
    void ReleaseUpdateHandler();
    // The files-installed flag of the latest live update.
    bool FilesInstalled() const { return m_filesInstalled.load(); }
    void SetFilesInstalled(bool installed) { m_filesInstalled.store(installed); }
    // The password field as the next logon and password change send it.
    std::string GetPasswordField() const;

    // The millisecond tick the session measures keep-alive ages with (the platform tick
    // unless a test sets its own before the session starts).
    using TickSource = std::function<std::uint32_t()>;
    void SetTickSource(TickSource tick) { m_tick = std::move(tick); }

    // A receive hook sees every well-formed packet before the dispatch: 1 consumes it,
    // -1 drops it, 0 passes it on.
    using RecvHook = std::function<int(const PacketHeader&, const std::uint8_t* packet, std::size_t size)>;
    void AddRecvHook(RecvHook hook);

    int OnUdpNotifyMsg(const void* event, const void* detail) override;
    void OnMsgTimeOut(const std::uint8_t* packet, std::uint32_t length) override;

    // The receive path after the link: length and header checks, hooks, dispatch.
    void OnRecvPacket(const std::uint8_t* data, std::size_t size);

    std::string GetUserNumber() const;
    int GetLogonProgress() const { return m_progress.load(); }
    std::uint32_t GetLastKeepAliveTick() const { return m_lastKeepAliveTick.load(); }
    // Logged on, and the last keep-alive was answered no later than one resend after the
    // next was due: false as soon as the server misses one.
    bool KeepAliveCurrent() const;
    // Logged on, and the keep-alive's resend went unanswered too: one lost datagram on a
    // lossy link is not yet a lost server, two in a row are.
    bool KeepAliveLost() const;
    CustomInfo GetCustomInfo() const;
    std::string GetCustomName() const { return GetCustomInfo().customName; }
    std::string GetBMSURL() const { return GetCustomInfo().bmsUrl; }

private:
    void Dispatch(const PacketHeader& header, const std::uint8_t* body, std::size_t bodySize);
    void OnQuerySvrIPPortAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnLoginAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnKeepAliveAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnWantRelogon();
    void OnNatDetect(std::uint32_t seqNum);
    void OnLogout(const std::uint8_t* body, std::size_t size);
    void OnQueryCustomInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnTalkEstablish(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnTalkRequestTimeout(const std::uint8_t* packet, std::uint32_t length);
    void OnConfEstablish(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnConfInviteAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnConfRequestTimeout();
    void CancelPendingRequests();
    void SetCurrentPeer(const std::string& text);
    void OnGetFriendIndexAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnGetFriendDetailAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnSetFriendInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnDelFriendInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnFriendStatus(const std::uint8_t* body, std::size_t size);
    void OnGetOfflineCallAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnGetSupportInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnGetForwardInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnSetForwardInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnSetPwdAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnQueryBindIDOptAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnSetBindIDOptAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnFileUpdateQueryAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);
    void OnAccountServQueryAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size);

    // A login request still unanswered may already have made a session at the server: its
    // answer is awaited for a moment, so that the logout at the end can name the endpoint.
    void AwaitLoginAnswer();
    void ClearProgressBit(int bit);
    void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    std::uint32_t KeepAlivePeriod() const;
    void StoreKeepAlivePeriod(std::uint32_t periodMs);

    ClientConfig& m_config;
    CallRecordList* m_records;
    mutable CriticalSection m_csLogin; // number, password and custom information
    char m_number[kNumberField] = {};
    char m_password[kPasswordField] = {};
    CustomInfo m_customInfo;
    std::atomic<std::uint32_t> m_bindValue{0};
    std::atomic<int> m_logonRetries{5};
    std::atomic<std::uint32_t> m_lastKeepAliveTick{0};
    std::atomic<int> m_progress{kAwaitKeepAlive | kAwaitCustomInfo};
    // Set while a login answer is being handled, before its request leaves the pending list
    // and until EndpointID holds its outcome; the event is set when that is done.
    std::atomic<bool> m_loginAnswering{false};
    Event m_loginAnswered{true};
    std::atomic<HWND> m_logonWnd{0};
    std::atomic<HWND> m_mainWnd{0};
    std::atomic<HWND> m_confWnd{0};
    std::atomic<HWND> m_friendListWnd{0};
    std::atomic<HWND> m_forwardWnd{0};
    std::atomic<HWND> m_passwordWnd{0};
    std::atomic<HWND> m_accountWnd{0};
    CriticalSection m_csAccount;
    AcctServHandler* m_acctServ = nullptr; // the handler's own unit is ours
    CriticalSection m_csUpdate;
    UpdateServHandler* m_updateServ = nullptr; // likewise
    std::atomic<bool> m_filesInstalled{false};
    std::atomic<bool> m_rememberPassword{false};
    FriendStore m_friends;
    ForwardCache m_forwardCache;
    ServiceOptions m_options;
    TickSource m_tick;
    CriticalSection m_csHooks;
    std::vector<RecvHook> m_recvHooks;
    TalkSide m_talk;
};

} // namespace orv
