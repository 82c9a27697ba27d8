#include "client/account/acct_serv_handler.h"

#include "client/log/log.h"
#include "tcplink/tcplink.h"
#include "wire/packet_header.h"

#include <mutex>

namespace orv {

namespace {

// Messages of the handler's own window: the link work runs there, in order.
constexpr UINT WM_ACCT_FLUSH = WM_USER + 5;
constexpr UINT WM_ACCT_LINK = WM_USER + 6; // wParam: a LinkStep
constexpr std::uintptr_t kIdleTimer = 1;

enum LinkStep : WPARAM { kStepConnected = 1, kStepDisconnected = 2, kStepConnectTimeout = 3 };

constexpr std::uint16_t PKT_KEEPALIVE = 0x0000;

} // namespace

AcctServHandler::AcctServHandler(std::uint32_t address, std::uint16_t port, HWND notifyWindow, std::uint32_t idleMs)
    : m_idleMs(idleMs), m_notify(notifyWindow) {
    SetHandlerName("AcctServHandler");
    SetLongestMessage(static_cast<std::uint32_t>(kAccountAnswerSize));
    SetServerAddr(address, port);
}

AcctServHandler::~AcctServHandler() {
    KillTimer(GetSafeHwnd(), kIdleTimer);
    RemoveAllPending();
    if (GetLinkId() != 0) CloseLink();
}

void AcctServHandler::SetLogin(const std::string& number, const std::string& password) {
    std::lock_guard<CriticalSection> lock(m_csLogin);
    m_number = number;
    m_password = password;
}

int AcctServHandler::DoAccountQuery() {
    UseGuard use(this);
    if (EndpointID.load() == 0) {
        WriteLog(3, "DoAccountQuery Local EndpointID=0, means not registered");
        return 0;
    }
    std::lock_guard<CriticalSection> lock(m_csLogin);
    WriteLog(3, "DoAccountQuery");
    return Queue(BuildAccountQuery(m_number, m_password));
}

int AcctServHandler::DoAccountFill(const std::string& card, const std::string& cardPassword) {
    UseGuard use(this);
    if (EndpointID.load() == 0) {
        WriteLog(3, "DoAccountFill Local EndpointID=0, means not registered");
        return 0;
    }
    // The card password is a secret like any password: it stays out of the log.
    WriteLog(3, "DoAccountFill CardID=%s, CardPwd=%s", card.c_str(), "********");
    std::lock_guard<CriticalSection> lock(m_csLogin);
    return Queue(BuildAccountFill(m_number, m_password, card, cardPassword));
}

int AcctServHandler::Queue(std::vector<std::uint8_t> packet) {
    {
        std::lock_guard<CriticalSection> lock(m_csQueue);
        if (m_queue.size() >= kAccountQueueLimit) {
            WriteLog(3, "%s queue full, request dropped", GetHandlerName().c_str());
            return 0;
        }
        m_queue.push_back(std::move(packet));
    }
    PostMessage(GetSafeHwnd(), WM_ACCT_FLUSH, 0, 0);
    return 1;
}

void AcctServHandler::EmptyQueue() {
    std::lock_guard<CriticalSection> lock(m_csQueue);
    m_queue.clear();
}

// ---- the handler's own thread

void AcctServHandler::Flush() {
    if (m_allocated.load() && !m_connected.load()) return; // sent when the link connects
    if (!m_allocated.load()) {
        AllocateLink();
        return;
    }
    {
        std::lock_guard<CriticalSection> lock(m_csQueue);
        if (m_queue.empty()) return;
        for (std::vector<std::uint8_t>& packet : m_queue) {
            BuildHeader(packet.data(), static_cast<std::uint32_t>(packet.size()), GetU16LE(packet.data()), 0);
            SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), false, 0, 0, 0);
        }
        m_queue.clear();
    }
    SetTimer(GetSafeHwnd(), kIdleTimer, m_idleMs);
}

void AcctServHandler::AllocateLink() {
    {
        std::lock_guard<CriticalSection> lock(m_csQueue);
        if (m_queue.empty()) return; // nothing to open the link for
    }
    const bool linked = CreateLink(kSockStream, 0);
    WriteLog(3, "%s Auto Alloc TCP %s", GetHandlerName().c_str(), linked ? "Success" : "Failed");
    if (!linked) {
        EmptyQueue();
        CloseLink();
        Post(kAccountLinkFailed);
        return;
    }
    m_allocated.store(true);
    // The time-out goes in before the connect, so a connection that comes up at once finds it.
    AddPending(nullptr, 0, 0, kAccountConnectTimeoutMs, kTimerOneShot, 0);
    if (!Connect()) {
        WriteLog(3, "%s cannot start connecting", GetHandlerName().c_str());
        OnConnectTimeout();
    }
}

void AcctServHandler::OnConnected() { PostMessage(GetSafeHwnd(), WM_ACCT_LINK, kStepConnected, 0); }
void AcctServHandler::OnDisconnected() { PostMessage(GetSafeHwnd(), WM_ACCT_LINK, kStepDisconnected, 0); }
void AcctServHandler::OnLinkClosed() { PostMessage(GetSafeHwnd(), WM_ACCT_LINK, kStepDisconnected, 0); }
void AcctServHandler::OnTimer() { PostMessage(GetSafeHwnd(), WM_ACCT_LINK, kStepConnectTimeout, 0); }

int AcctServHandler::OnTcpNotifyMsg(const void* event, const void* detail) {
    UseGuard use(this);
    return DispatchTcpEvent(event, detail);
}

LRESULT AcctServHandler::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ACCT_FLUSH) {
        Flush();
        return 0;
    }
    if (message == WM_TIMER && wParam == kIdleTimer) {
        OnIdle();
        return 0;
    }
    if (message != WM_ACCT_LINK) return CMsgHandler::WindowProc(message, wParam, lParam);
    if (wParam == kStepConnected) {
        if (!m_allocated.load() || m_connected.load()) return 0;
        SetTimer(GetSafeHwnd(), kIdleTimer, m_idleMs);
        m_connected.store(true);
        RemovePending(0, 0, 0, kTimerOneShot);
        std::uint32_t localIP = 0;
        std::uint16_t localPort = 0;
        TcpGetLinkAddr(GetLinkId(), kTcpLocalEnd, &localIP, &localPort);
        LocalIP.store(localIP);
        WriteLog(3, "connect Account Server Success, LocalIP=0x%08x, LocalPort=%d", localIP, localPort);
        DoTCPKeepAlive();
        Flush();
    } else if (wParam == kStepDisconnected) {
        if (!m_allocated.load()) return 0; // already handled
        WriteLog(3, "OnDisconnected(%s)", GetHandlerName().c_str());
        RemovePending(0, 0, 0, kTimerOneShot);
        Post(m_connected.load() ? kAccountLinkClosed : kAccountLinkFailed);
        m_connected.store(false);
        m_allocated.store(false);
        KillTimer(GetSafeHwnd(), kIdleTimer);
        CloseLink();
        RemoveAllPending();
        EmptyQueue();
    } else if (wParam == kStepConnectTimeout) {
        OnConnectTimeout();
    }
    return 0;
}

void AcctServHandler::OnConnectTimeout() {
    if (!m_allocated.load() || m_connected.load()) return;
    WriteLog(3, "OnConnTimeOut(%s)", GetHandlerName().c_str());
    Post(kAccountConnectTimeout);
    m_connected.store(false);
    m_allocated.store(false);
    RemoveAllPending();
    CloseLink();
    EmptyQueue();
}

void AcctServHandler::OnIdle() {
    KillTimer(GetSafeHwnd(), kIdleTimer);
    if (!m_connected.load()) return;
    WriteLog(3, "%s idle, link closed", GetHandlerName().c_str());
    TcpDisconnect(GetLinkId()); // its disconnect event releases the link
}

// ---- network thread

void AcctServHandler::OnRecv(const std::uint8_t* message, std::size_t size) {
    UseGuard use(this);
    PacketHeader h;
    ReadPacketHeader(message, size, &h); // whole and of the right length: checked before
    if (h.type == PKT_KEEPALIVE) {
        FindPending(h.seqNum, h.type, 3, false); // the keep-alive goes on
        return;
    }
    AccountAnswer answer;
    if ((h.type != PKT_ACCOUNT_QUERY && h.type != PKT_ACCOUNT_FILL) || !ParseAccountAnswer(message, size, &answer)) {
        WriteLog(3, "Account Serv Unknow message type=%ld", static_cast<long>(h.type));
        return;
    }
    const bool query = h.type == PKT_ACCOUNT_QUERY;
    const long value = static_cast<long>(static_cast<std::int32_t>(answer.value));
    WriteLog(3, "Get Acct %s Ack %s,  %s=%ld", query ? "Query" : "Fill", answer.result == 0 ? "Success" : "Failed",
             answer.result == 0 ? "Value" : "Reason", value);
    PostAnswer(m_notify.load(), query ? kAccountQueryAnswer : kAccountFillAnswer, answer);
    if (query && m_second.load() != 0) PostAnswer(m_second.load(), kAccountQueryAnswer, answer);
}

void AcctServHandler::Post(int code, LPARAM value) {
    const HWND window = m_notify.load();
    if (window != 0) PostMessage(window, WM_ACCOUNT_EVENT, static_cast<WPARAM>(code), value);
}

void AcctServHandler::PostAnswer(HWND window, int code, const AccountAnswer& answer) {
    if (window == 0) return;
    auto* copy = new AccountAnswer(answer);
    if (!PostMessage(window, WM_ACCOUNT_EVENT, static_cast<WPARAM>(code), reinterpret_cast<LPARAM>(copy))) delete copy;
}

} // namespace orv
