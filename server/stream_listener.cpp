#include "server/stream_listener.h"

#include "platform/tick.h"
#include "server/server_log.h"
#include "tcplink/tcplink.h"

namespace orv {

namespace {
constexpr UINT kMsgCloseLink = WM_USER + 1; // wParam: the link
constexpr int kListenBacklog = 64;
} // namespace

StreamListener::StreamListener(std::string name, const StreamListenerLimits& limits, MessageFunction onMessage)
    : m_name(std::move(name)), m_limits(limits), m_onMessage(std::move(onMessage)),
      m_window([](UINT message, WPARAM wParam, LPARAM) {
          if (message == kMsgCloseLink) TcpClose(static_cast<LinkHandle>(wParam));
          return LRESULT{0};
      }) {}

StreamListener::~StreamListener() {
    // The closes report events of their own: from here on none is taken.
    const LinkHandle listen = m_listen;
    m_listen = 0;
    std::vector<LinkHandle> links;
    for (const auto& entry : m_links) links.push_back(entry.first);
    m_links.clear();
    for (LinkHandle link : links) TcpClose(link);
    if (listen != 0) TcpClose(listen);
    m_window.Destroy();
}

bool StreamListener::Listen(const std::string& address, std::uint16_t port, std::uint16_t* bound,
                            std::string* error) {
    if (m_window.Create(("orvserver " + m_name).c_str()) == 0) {
        *error = "cannot create the " + m_name + " server window";
        return false;
    }
    m_listen = TcpCreate(address.c_str(), port);
    std::uint32_t ip = 0;
    if (m_listen == 0 || TcpListen(m_listen, kListenBacklog) == 0 ||
        TcpGetLinkAddr(m_listen, kTcpLocalEnd, &ip, bound) == 0) {
        *error = "cannot bind the " + m_name + " server to " + address + ":" + std::to_string(port);
        return false;
    }
    return true;
}

bool StreamListener::Send(LinkHandle link, const std::vector<std::uint8_t>& packet) {
    if (m_links.count(link) == 0 || m_closing.count(link) != 0) return false;
    return TcpSend(link, packet.data(), static_cast<std::uint32_t>(packet.size()), kTcpSendScramble) != 0;
}

void StreamListener::CloseLater(LinkHandle link) {
    if (m_closing.emplace(link, true).second) PostMessage(m_window.GetSafeHwnd(), kMsgCloseLink, link, 0);
}

bool StreamListener::OnTcpEvent(const LinkEvent* event, const void* detail) {
    if (event == nullptr || m_listen == 0) return false;
    if (event->link == m_listen) return true;
    const std::uint32_t now = GetTickCount();
    if (event->code == kLinkEventAccepted) {
        const auto* info = static_cast<const TcpAcceptInfo*>(detail);
        if (info == nullptr || info->listenLink != m_listen) return false;
        m_links[event->link] = now;
        if (m_links.size() > m_limits.maxLinks) {
            ServerLog("%s: more than %zu links, the newest is closed", m_name.c_str(), m_limits.maxLinks);
            CloseLater(event->link);
        }
        return true;
    }
    auto it = m_links.find(event->link);
    if (it == m_links.end()) return false;
    switch (event->code) {
    case kLinkEventData: {
        const auto* info = static_cast<const TcpRecvInfo*>(detail);
        if (info == nullptr || m_closing.count(event->link) != 0) break;
        if (info->length > m_limits.longestRequest && info->subCode != kTcpRecvArriving) {
            ServerLog("%s: a frame of %u bytes closes its link", m_name.c_str(), info->length);
            CloseLater(event->link);
        } else if (info->subCode == kTcpRecvComplete && info->buffer != nullptr) {
            it->second = now;
            if (!m_onMessage(event->link, info->buffer, info->length, now)) CloseLater(event->link);
        }
        break;
    }
    case kLinkEventClosed:
        m_links.erase(it);
        m_closing.erase(event->link);
        break;
    case kLinkEventDisconnected: CloseLater(event->link); break;
    default: break;
    }
    return true;
}

void StreamListener::OnTimer(std::uint32_t now) {
    for (const auto& [link, last] : m_links) {
        if (now - last >= m_limits.idleMs) CloseLater(link);
    }
}

} // namespace orv
