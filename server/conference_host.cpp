#include "server/conference_host.h"

#include "platform/tick.h"
#include "server/media_links.h"
#include "server/server_log.h"
#include "server/talk_link_events.h"
#include "server/udp_port_bind.h"
#include "tcplink/tcplink.h"
#include "udplink/udplink.h"

namespace orv {

namespace {

constexpr UINT kMsgCloseLink = WM_USER + 1; // wParam: the link
constexpr std::uintptr_t kMixTimer = 1;
constexpr std::uint32_t kMixTimerMs = 10;
constexpr std::uint32_t kMixBlockMs = 30;
constexpr std::int32_t kMixCatchUpMs = 300; // further behind than this: start the clock afresh
constexpr int kListenBacklog = 64;

std::string Endpoint(const std::string& address, std::uint16_t port) { return address + ":" + std::to_string(port); }

} // namespace

ConferenceHost::ConferenceHost(SessionTable& sessions, SubscriberDb& db, TalkCallTable* calls,
                               ConferenceRequests::SendFunction sendUser, PrintFunction print)
    : m_sessions(sessions), m_db(db), m_calls(calls), m_sendUser(std::move(sendUser)), m_print(std::move(print)),
      m_window([this](UINT message, WPARAM wParam, LPARAM lParam) { return OnWindowMessage(message, wParam, lParam); }) {
}

ConferenceHost::~ConferenceHost() {
    if (m_window.GetSafeHwnd() != 0) KillTimer(m_window.GetSafeHwnd(), kMixTimer);
    if (m_server) {
        for (LinkHandle link : m_server->Links()) TcpClose(link);
    }
    if (m_listen != 0) TcpClose(m_listen);
    for (LinkHandle link : m_mediaLinks) {
        if (link != 0) UdpClose(link);
    }
    m_window.Destroy();
}

bool ConferenceHost::Start(const std::string& address, std::uint32_t publicIp, const PortFunction& freeUdpPort,
                           std::string* error) {
    if (m_window.Create("orvserver conference") == 0) {
        *error = "cannot create the conference server window";
        return false;
    }
    m_listen = TcpCreate(address.c_str(), 0);
    std::uint32_t boundIp = 0;
    if (m_listen == 0 || TcpListen(m_listen, kListenBacklog) == 0 ||
        TcpGetLinkAddr(m_listen, kTcpLocalEnd, &boundIp, &m_listenPort) == 0) {
        *error = "cannot bind the conference server to " + address;
        return false;
    }
    m_print("LISTEN conference tcp " + Endpoint(address, m_listenPort));
    ConferenceServerConfig config;
    for (int medium = 0; medium < 2; ++medium) {
        std::uint16_t port = 0;
        m_mediaLinks[medium] = BindUdpLink(address, 0, 0, freeUdpPort, &port);
        if (m_mediaLinks[medium] == 0) {
            *error = "cannot bind the conference media ports on " + address;
            return false;
        }
        (medium == 0 ? config.audio : config.video) = MediaAddress{publicIp, port};
        m_print(std::string("LISTEN conference-") + (medium == 0 ? "audio" : "video") + " udp " + Endpoint(address, port));
    }
    const HWND window = m_window.GetSafeHwnd();
    m_server = std::make_unique<ConferenceServer>(
        m_rooms, config,
        [](LinkHandle link, const std::vector<std::uint8_t>& packet) {
            return TcpSend(link, packet.data(), static_cast<std::uint32_t>(packet.size()), kTcpSendScramble) != 0;
        },
        [window](LinkHandle link) { PostMessage(window, kMsgCloseLink, link, 0); }, m_print);
    m_media = std::make_unique<ConferenceMedia>(
        m_rooms, [this](Medium medium, const std::vector<std::uint8_t>& datagram, const MediaAddress& to) {
            SendMedia(medium, datagram, to);
        });
    m_requests = std::make_unique<ConferenceRequests>(m_sessions, m_db, m_rooms, m_calls, *m_server,
                                                      MediaAddress{publicIp, m_listenPort}, m_sendUser);
    m_nextMix = GetTickCount() + kMixBlockMs;
    SetTimer(window, kMixTimer, kMixTimerMs);
    ServerLog("conference server on %s", Endpoint(address, m_listenPort).c_str());
    return true;
}

void ConferenceHost::SendMedia(Medium medium, const std::vector<std::uint8_t>& datagram, const MediaAddress& to) {
    SendMediaDatagram(m_mediaLinks, medium, datagram, to, "conference media");
}

LRESULT ConferenceHost::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (message == WM_TIMER && wParam == kMixTimer) {
        OnMixClock();
    } else if (message == kMsgCloseLink) {
        TcpClose(static_cast<LinkHandle>(wParam));
    }
    return 0;
}

void ConferenceHost::OnMixClock() {
    if (!m_media) return;
    const std::uint32_t now = GetTickCount();
    if (TickDiff(now, m_nextMix) > kMixCatchUpMs) m_nextMix = now;
    while (TickDiff(now, m_nextMix) >= 0) {
        m_media->MixAll();
        m_nextMix += kMixBlockMs;
    }
}

bool ConferenceHost::OnTcpEvent(const LinkEvent* event, const void* detail) {
    if (event == nullptr || !m_server) return false;
    if (event->link == m_listen) return true;
    const std::uint32_t now = GetTickCount();
    if (event->code == kLinkEventAccepted) {
        const auto* info = static_cast<const TcpAcceptInfo*>(detail);
        if (info == nullptr || info->listenLink != m_listen) return false;
        m_server->OnAccepted(event->link, now);
        return true;
    }
    if (!m_server->Serves(event->link)) return false;
    DispatchTalkLinkEvent(*m_server, *event, detail, now);
    return true;
}

bool ConferenceHost::OnUdpNotify(const LinkEvent* event, const void* detail) {
    if (event == nullptr) return false;
    return DeliverMediaDatagram(m_mediaLinks, *event, detail, m_media.get());
}

void ConferenceHost::OnTimer(std::uint32_t now) {
    if (m_server) m_server->OnTimer(now);
}

} // namespace orv
