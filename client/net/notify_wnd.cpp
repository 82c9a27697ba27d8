#include "client/net/notify_wnd.h"

#include "client/log/log.h"
#include "client/net/msg_handler.h"

#include <cstring>
#include <mutex>

namespace orv {

namespace {
constexpr std::uint32_t kEventData = 1;
}

LinkEventHead ReadLinkEventHead(const void* event) {
    // The block is packed; read the two leading 32-bit fields without assuming alignment.
    LinkEventHead head{};
    std::memcpy(&head.code, event, 4);
    std::memcpy(&head.link, static_cast<const char*>(event) + 4, 4);
    return head;
}

CNotifyWnd::CNotifyWnd()
    : m_tcpNotifyMsg(RegisterWindowMessage("Tcp Notify Msg")),
      m_udpNotifyMsg(RegisterWindowMessage("Udp Notify Msg")) {
    m_links.reserve(10);
}

CNotifyWnd::~CNotifyWnd() { Destroy(); }

namespace {
// A handler without a link type yet takes the events of both libraries.
bool TypesMeet(int a, int b) { return a == b || a == kSockNone || b == kSockNone; }
} // namespace

bool CNotifyWnd::RegisterLink(std::uint32_t link, CMsgHandler* handler) {
    if (link == 0 || handler == nullptr) return false;
    std::lock_guard<CriticalSection> lock(m_csLinks);
    auto range = m_links.equal_range(link);
    for (auto it = range.first; it != range.second; ++it)
        if (TypesMeet(it->second->GetSockType(), handler->GetSockType())) return false;
    m_links.emplace(link, handler);
    return true;
}

bool CNotifyWnd::UnregisterLink(std::uint32_t link, CMsgHandler* handler) {
    std::lock_guard<CriticalSection> lock(m_csLinks);
    auto range = m_links.equal_range(link);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second != handler) continue;
        m_links.erase(it);
        return true;
    }
    return false;
}

CMsgHandler* CNotifyWnd::Find(std::uint32_t link, int sockType) {
    auto range = m_links.equal_range(link);
    for (auto it = range.first; it != range.second; ++it)
        if (TypesMeet(it->second->GetSockType(), sockType)) return it->second;
    return nullptr;
}

LRESULT CNotifyWnd::OnTcpNotifyMsg(WPARAM wParam, LPARAM lParam) {
    const void* event = reinterpret_cast<const void*>(wParam);
    const void* detail = reinterpret_cast<const void*>(lParam);
    if (event == nullptr || (ReadLinkEventHead(event).code == kEventData && detail == nullptr)) {
        WriteLog(3, "OnTcpNotifyMsg Error(NULL Pointer");
        return 0;
    }
    std::lock_guard<CriticalSection> lock(m_csLinks);
    CMsgHandler* handler = Find(ReadLinkEventHead(event).link, kSockStream);
    if (handler == nullptr) return 0;
    // A stream handler whose owner has let go no longer gets events.
    if (handler->GetUseCount() <= 0) return 0;
    return handler->OnTcpNotifyMsg(event, detail);
}

LRESULT CNotifyWnd::OnUdpNotifyMsg(WPARAM wParam, LPARAM lParam) {
    const void* event = reinterpret_cast<const void*>(wParam);
    const void* detail = reinterpret_cast<const void*>(lParam);
    if (event == nullptr || (ReadLinkEventHead(event).code == kEventData && detail == nullptr)) {
        WriteLog(3, "OnUdpNotifyMsg Error(NULL Pointer)");
        return 0;
    }
    std::lock_guard<CriticalSection> lock(m_csLinks);
    CMsgHandler* handler = Find(ReadLinkEventHead(event).link, kSockDatagram);
    if (handler == nullptr) return 0;
    return handler->OnUdpNotifyMsg(event, detail);
}

LRESULT CNotifyWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == m_tcpNotifyMsg) return OnTcpNotifyMsg(wParam, lParam);
    if (message == m_udpNotifyMsg) return OnUdpNotifyMsg(wParam, lParam);
    return Window::WindowProc(message, wParam, lParam);
}

} // namespace orv
