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

bool CNotifyWnd::RegisterLink(std::uint32_t link, CMsgHandler* handler) {
    if (link == 0 || handler == nullptr) return false;
    std::lock_guard<CriticalSection> lock(m_csLinks);
    return m_links.emplace(link, handler).second;
}

bool CNotifyWnd::UnregisterLink(std::uint32_t link, CMsgHandler* handler) {
    std::lock_guard<CriticalSection> lock(m_csLinks);
    auto it = m_links.find(link);
    if (it == m_links.end() || it->second != handler) return false;
    m_links.erase(it);
    return true;
}

LRESULT CNotifyWnd::OnTcpNotifyMsg(WPARAM wParam, LPARAM lParam) {
    const void* event = reinterpret_cast<const void*>(wParam);
    const void* detail = reinterpret_cast<const void*>(lParam);
    if (event == nullptr || (ReadLinkEventHead(event).code == kEventData && detail == nullptr)) {
        WriteLog(3, "OnTcpNotifyMsg Error(NULL Pointer");
        return 0;
    }
    std::lock_guard<CriticalSection> lock(m_csLinks);
    auto it = m_links.find(ReadLinkEventHead(event).link);
    if (it == m_links.end()) return 0;
    // A stream handler whose owner has let go no longer gets events.
    if (it->second->GetUseCount() <= 0) return 0;
    return it->second->OnTcpNotifyMsg(event, detail);
}

LRESULT CNotifyWnd::OnUdpNotifyMsg(WPARAM wParam, LPARAM lParam) {
    const void* event = reinterpret_cast<const void*>(wParam);
    const void* detail = reinterpret_cast<const void*>(lParam);
    if (event == nullptr || (ReadLinkEventHead(event).code == kEventData && detail == nullptr)) {
        WriteLog(3, "OnUdpNotifyMsg Error(NULL Pointer)");
        return 0;
    }
    std::lock_guard<CriticalSection> lock(m_csLinks);
    auto it = m_links.find(ReadLinkEventHead(event).link);
    if (it == m_links.end()) return 0;
    return it->second->OnUdpNotifyMsg(event, detail);
}

LRESULT CNotifyWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == m_tcpNotifyMsg) return OnTcpNotifyMsg(wParam, lParam);
    if (message == m_udpNotifyMsg) return OnUdpNotifyMsg(wParam, lParam);
    return Window::WindowProc(message, wParam, lParam);
}

} // namespace orv
