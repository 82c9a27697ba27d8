#include "server/talk_host.h"

#include "platform/tick.h"
#include "server/media_links.h"
#include "server/server_log.h"
#include "server/talk_link_events.h"
#include "server/udp_port_bind.h"
#include "tcplink/tcplink.h"
#include "udplink/udplink.h"

#include <charconv>

namespace orv {

namespace {

constexpr UINT kMsgCloseLink = WM_USER + 1; // wParam: the link; closed outside its own events
constexpr int kListenBacklog = 64;
constexpr std::size_t kDefaultRecordLines = 20;
constexpr std::size_t kMostRecordLines = 1000;

std::string Endpoint(const std::string& address, std::uint16_t port) {
    return address + ":" + std::to_string(port);
}

} // namespace

TalkHost::TalkHost(SessionTable& sessions, SubscriberDb& db, TalkRequests::SendFunction sendUser,
                   PrintFunction print)
    : m_sessions(sessions), m_db(db), m_sendUser(std::move(sendUser)), m_print(std::move(print)),
      m_window([this](UINT message, WPARAM wParam, LPARAM lParam) { return OnWindowMessage(message, wParam, lParam); }) {
}

TalkHost::~TalkHost() {
    if (m_conf) RemoveStreamService(m_conf.get());
    if (m_requests) m_requests->SetConferenceRooms(nullptr);
    m_conf.reset(); // its links go before the stream link library stops
    if (m_talk) {
        for (LinkHandle link : m_talk->Links()) TcpClose(link);
    }
    if (m_listen != 0) TcpClose(m_listen);
    for (LinkHandle link : m_mediaLinks) {
        if (link != 0) UdpClose(link);
    }
    if (m_tcpReady) TcpUninit();
    m_window.Destroy();
}

bool TalkHost::BindMedia(const TalkHostOptions& options, const PortFunction& freeUdpPort, std::string* error) {
    if (options.mediaPort == 65535) {
        *error = "--media-port needs room for the video port after it";
        return false;
    }
    for (int medium = 0; medium < 2; ++medium) {
        const std::uint16_t fixed = options.mediaPort == 0 ? 0 : static_cast<std::uint16_t>(options.mediaPort + medium);
        std::uint16_t port = 0;
        m_mediaLinks[medium] = BindUdpLink(options.address, fixed, 0, freeUdpPort, &port);
        if (m_mediaLinks[medium] == 0) {
            *error = "cannot bind the media rendezvous to " + Endpoint(options.address, fixed);
            return false;
        }
        m_print(std::string("LISTEN ") + (medium == 0 ? "audio" : "video") + " udp " + Endpoint(options.address, port));
        const MediaAddress& announce = medium == 0 ? options.announceAudio : options.announceVideo;
        (medium == 0 ? m_requestConfig.audioRendezvous : m_requestConfig.videoRendezvous) =
            announce.port != 0 ? announce : MediaAddress{options.publicIp, port};
    }
    return true;
}

bool TalkHost::Start(const TalkHostOptions& options, const PortFunction& freeUdpPort, std::string* error) {
    m_records = TalkRecords::Open(options.recordsPath, error);
    if (!m_records) return false;
    if (m_window.Create("orvserver talk") == 0) {
        *error = "cannot create the talk server window";
        return false;
    }
    m_tcpNotifyMsg = RegisterWindowMessage(kTcpNotifyMsgName);
    if (TcpInit(m_window.GetSafeHwnd()) == 0) {
        *error = "cannot start the stream link library";
        return false;
    }
    m_tcpReady = true;
    m_listen = TcpCreate(options.address.c_str(), options.talkPort);
    std::uint32_t boundIp = 0;
    std::uint16_t talkPort = 0;
    if (m_listen == 0 || TcpListen(m_listen, kListenBacklog) == 0 ||
        TcpGetLinkAddr(m_listen, kTcpLocalEnd, &boundIp, &talkPort) == 0) {
        *error = "cannot bind the talk server to " + Endpoint(options.address, options.talkPort);
        return false;
    }
    m_print("LISTEN talk tcp " + Endpoint(options.address, talkPort));
    m_requestConfig.talkServer = MediaAddress{options.publicIp, talkPort};
    if (!BindMedia(options, freeUdpPort, error)) return false;

    m_echo = std::make_unique<EchoService>(options.echoNumber);
    TalkServerConfig config;
    config.servId = m_requestConfig.servId;
    config.rendezvous.audio = m_requestConfig.audioRendezvous;
    config.rendezvous.video = m_requestConfig.videoRendezvous;
    config.rendezvous.relayAll = options.mediaRelay;
    const HWND window = m_window.GetSafeHwnd();
    m_talk = std::make_unique<TalkServer>(
        m_calls, m_records.get(), *m_echo, config,
        [](LinkHandle link, const std::vector<std::uint8_t>& packet) {
            return TcpSend(link, packet.data(), static_cast<std::uint32_t>(packet.size()), kTcpSendScramble) != 0;
        },
        [window](LinkHandle link) { PostMessage(window, kMsgCloseLink, link, 0); }, m_print);
    m_media = std::make_unique<MediaRendezvous>(
        m_calls, [this](Medium medium, const std::vector<std::uint8_t>& datagram, const MediaAddress& to) {
            SendMedia(medium, datagram, to);
        });
    m_requests = std::make_unique<TalkRequests>(m_sessions, m_db, m_calls, *m_talk, m_records.get(), *m_echo,
                                                m_requestConfig, m_sendUser);
    m_conf = std::make_unique<ConferenceHost>(m_sessions, m_db, &m_calls, m_sendUser, m_print);
    if (!m_conf->Start(options.address, options.publicIp, freeUdpPort, error)) return false;
    m_requests->SetConferenceRooms(&m_conf->Rooms());
    AddStreamService(m_conf.get());
    ServerLog("talk server on %s, echo-test number %s, media %s", Endpoint(options.address, talkPort).c_str(),
              options.echoNumber.c_str(), options.mediaRelay ? "all through the rendezvous" : "peer to peer");
    return true;
}

void TalkHost::SendMedia(Medium medium, const std::vector<std::uint8_t>& datagram, const MediaAddress& to) {
    SendMediaDatagram(m_mediaLinks, medium, datagram, to, "media");
}

LRESULT TalkHost::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == m_tcpNotifyMsg && m_tcpNotifyMsg != 0) {
        OnTcpNotify(reinterpret_cast<const LinkEvent*>(wParam), reinterpret_cast<const void*>(lParam));
    } else if (message == kMsgCloseLink) {
        TcpClose(static_cast<LinkHandle>(wParam));
    }
    return 0;
}

void TalkHost::OnTcpNotify(const LinkEvent* event, const void* detail) {
    for (StreamService* service : m_services) {
        if (service->OnTcpEvent(event, detail)) return;
    }
    if (event == nullptr || !m_talk || event->link == m_listen) return;
    const std::uint32_t now = GetTickCount();
    if (event->code == kLinkEventAccepted) {
        m_talk->OnAccepted(event->link, now);
    } else {
        DispatchTalkLinkEvent(*m_talk, *event, detail, now);
    }
}

bool TalkHost::OnUdpNotify(const LinkEvent* event, const void* detail) {
    if (event == nullptr || event->link == 0) return false;
    if (m_conf && m_conf->OnUdpNotify(event, detail)) return true;
    return DeliverMediaDatagram(m_mediaLinks, *event, detail, m_media.get());
}

void TalkHost::OnTimer(std::uint32_t now) {
    for (StreamService* service : m_services) service->OnTimer(now);
    if (!m_talk) return;
    m_talk->OnTimer(now);
    m_media->Sweep();
}

bool TalkHost::RunCommand(const std::vector<std::string>& words, std::vector<std::string>* lines) {
    if (words.empty() || words[0] != "calls") return false;
    std::size_t count = kDefaultRecordLines;
    if (words.size() > 2 ||
        (words.size() == 2 && (std::from_chars(words[1].data(), words[1].data() + words[1].size(), count).ec !=
                                   std::errc() ||
                               count == 0 || count > kMostRecordLines))) {
        lines->push_back("ADMIN error calls: usage: calls [1..1000]");
        return true;
    }
    if (!m_records) {
        lines->push_back("ADMIN error calls: no call records");
        return true;
    }
    for (const TalkRecord& r : m_records->Latest(count)) {
        lines->push_back("CALLREC id=" + std::to_string(r.id) + " call=" + std::to_string(r.callId) +
                         " caller=" + r.caller + " called=" + r.called + " original=" + r.original +
                         " requested=" + std::to_string(r.requested) + " answered=" + std::to_string(r.answered) +
                         " ended=" + std::to_string(r.ended) + " result=" + r.result +
                         " reason=" + std::to_string(r.reason) + " by=" + r.endedBy + " digits=" + r.digits);
    }
    lines->push_back("ADMIN ok calls");
    return true;
}

} // namespace orv
