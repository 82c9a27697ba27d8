// CUserServHandler: the client's one conversation with the user server, over a datagram
// link. It finds the user server, logs on, keeps the registration alive at the pace the
// server asks for, reacts to a re-logon demand or a forced logout, and logs out. Results
// go to the client shell's windows as posted messages.
#pragma once

#include "client/net/msg_handler.h"
#include "client/userserver/user_serv_packets.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

class ClientConfig;
class CallRecordList;

// Messages posted to the client shell's windows.
constexpr UINT WM_LOGON_RESULT = WM_USER + 8;     // wParam 0 = logon complete, 255 = refused (lParam reason)
constexpr UINT WM_SERVER_FAILURE = WM_USER + 10;  // wParam packet type; lParam timed-out request copy or 0
constexpr UINT WM_FORCED_LOGOUT = WM_USER + 13;   // wParam logout code

// Logon progress bits: still awaited after a successful login answer.
constexpr int kAwaitKeepAlive = 1;
constexpr int kAwaitCustomInfo = 2;

class CUserServHandler : public CMsgHandler {
public:
    // config holds the local port choice and the keep-alive period; records (may be null)
    // is told when the user has logged on. Both must outlive the handler.
    CUserServHandler(ClientConfig& config, CallRecordList* records);
    ~CUserServHandler() override;

    bool SetLoginInfo(const char* number, const char* password);
    void SetBindValue(std::uint32_t value) { m_bindValue.store(value); }
    void SetLogonWindow(HWND hwnd) { m_logonWnd.store(hwnd); }
    void SetMainWindow(HWND hwnd) { m_mainWnd.store(hwnd); }
    void SetConfWindow(HWND hwnd) { m_confWnd.store(hwnd); }
    void SetFriendListWindow(HWND hwnd) { m_friendListWnd.store(hwnd); }

    int QuerySvrIPPort(int retries);
    int DoLogin(int retries);
    void CancelLogin();
    int DoKeepAlive(int retries, std::uint32_t intervalMs, std::uint32_t delayMs);
    int DoLogout();
    int DoGetInfoRequest(std::uint16_t type, int retries, std::uint32_t delayMs);

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
    void OnAnswerNotHandled(const PacketHeader& h);

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
    std::atomic<HWND> m_logonWnd{0};
    std::atomic<HWND> m_mainWnd{0};
    std::atomic<HWND> m_confWnd{0};
    std::atomic<HWND> m_friendListWnd{0};
    TickSource m_tick;
    CriticalSection m_csHooks;
    std::vector<RecvHook> m_recvHooks;
};

} // namespace orv
