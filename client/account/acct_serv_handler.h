// AcctServHandler: the conversation with the account server, on a stream link of its own.
// Requests (balance query, refill) wait in an outgoing queue and go out in order once the
// link is connected; a request while there is no link opens one. The link closes after the
// idle period (five minutes) without a request and opens again on the next one.
//
// Events to the notify window as WM_USER+20, wParam = code:
//   2 the link could not be made or closed before it connected   3 connect time-out
//   4 the link closed after it was connected
//   5 query answer, 6 refill answer: lParam = new AccountAnswer (the receiver deletes it);
//     query answers go to the second notify window too, with a copy of their own.
// (Codes 0 and 1 come from the user-server handler.)
//
// Threads: requests may come from any thread; they are queued under the queue lock and the
// link work runs on the thread that created the handler (the network thread, whose
// messages reach the handler's window): link events, flushing, the idle timer. Connect
// time-outs come from the timer thread and are passed to that window as well.
#pragma once

#include "client/account/acct_packets.h"
#include "client/net/msg_handler.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr UINT WM_ACCOUNT_EVENT = WM_USER + 20;
enum AccountEvent : int {
    kAccountHandlerReady = 0,
    kAccountServerRefused = 1,
    kAccountLinkFailed = 2,
    kAccountConnectTimeout = 3,
    kAccountLinkClosed = 4,
    kAccountQueryAnswer = 5,
    kAccountFillAnswer = 6,
};

constexpr std::uint32_t kAccountConnectTimeoutMs = 30000;
constexpr std::uint32_t kAccountIdleMs = 300000;
// Requests waiting for the link; more are refused.
constexpr std::size_t kAccountQueueLimit = 16;

class AcctServHandler : public CMsgHandler {
public:
    // address: IPv4 in network byte order (first octet in the lowest byte), as the user
    // server answers it. idleMs: how long the link stays without a request.
    AcctServHandler(std::uint32_t address, std::uint16_t port, HWND notifyWindow,
                    std::uint32_t idleMs = kAccountIdleMs);
    ~AcctServHandler() override;

    // The own number and the password field exactly as the logon sends it.
    void SetLogin(const std::string& number, const std::string& password);
    void SetNotifyWindow(HWND window) { m_notify.store(window); }
    HWND NotifyWindow() const { return m_notify.load(); }
    void SetSecondNotifyWindow(HWND window) { m_second.store(window); }

    // Non-zero when the request was queued.
    int DoAccountQuery();
    int DoAccountFill(const std::string& card, const std::string& cardPassword);

    bool IsConnected() const { return m_connected.load(); }
    bool IsLinkAllocated() const { return m_allocated.load(); }

    int OnTcpNotifyMsg(const void* event, const void* detail) override;
    void OnTimer() override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnRecv(const std::uint8_t* message, std::size_t size) override;
    void OnConnected() override;
    void OnDisconnected() override;
    void OnLinkClosed() override;

private:
    int Queue(std::vector<std::uint8_t> packet);
    void Flush();
    void AllocateLink();
    void OnConnectTimeout();
    void OnIdle();
    void EmptyQueue();
    void Post(int code, LPARAM value = 0);
    void PostAnswer(HWND window, int code, const AccountAnswer& answer);

    std::uint32_t m_idleMs;
    std::atomic<HWND> m_notify{0};
    std::atomic<HWND> m_second{0};
    CriticalSection m_csLogin;
    std::string m_number;
    std::string m_password;
    CriticalSection m_csQueue;
    std::vector<std::vector<std::uint8_t>> m_queue;
    // Link state; changed only on the handler's own thread.
    std::atomic<bool> m_allocated{false};
    std::atomic<bool> m_connected{false};
};

} // namespace orv
