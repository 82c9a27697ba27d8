// The call side of the running server: the talk server's listening stream link (over
// libtcplink, on a hidden window of its own), the two media rendezvous ports (datagram links
// whose events reach the server loop's window, which hands them here), and the classes
// behind them: the call table, the talk server, the media rendezvous, the echo service, the
// call records and the user server's talk requests. Everything runs on the server's thread.
#pragma once

#include "platform/message.h"
#include "server/conference_host.h"
#include "server/echo_service.h"
#include "server/media_rendezvous.h"
#include "server/stream_service.h"
#include "server/talk_calls.h"
#include "server/talk_records.h"
#include "server/talk_requests.h"
#include "server/talk_server.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {

struct TalkHostOptions {
    std::string address = "127.0.0.1"; // where the talk and media ports are bound
    std::uint32_t publicIp = 0;         // host order: what the establish notices announce
    std::uint16_t talkPort = 0;         // 0 = chosen by the system
    std::uint16_t mediaPort = 0;        // audio; video is the next port; 0 = both chosen
    std::string echoNumber = kDefaultEchoNumber;
    bool mediaRelay = false;            // all media through the rendezvous
    MediaAddress announceAudio;         // announced instead of the bound ports when set
    MediaAddress announceVideo;
    std::string recordsPath;            // the call record database
};

class TalkHost {
public:
    using PrintFunction = std::function<void(const std::string& line)>;
    // freeUdpPort: a free datagram port on an address (the link library binds by number).
    using PortFunction = std::function<std::uint16_t(const std::string& address)>;

    TalkHost(SessionTable& sessions, SubscriberDb& db, TalkRequests::SendFunction sendUser, PrintFunction print);
    ~TalkHost();
    TalkHost(const TalkHost&) = delete;
    TalkHost& operator=(const TalkHost&) = delete;

    // Binds the talk and media ports and prints their LISTEN lines. The datagram link library
    // must be started already. False with *error.
    bool Start(const TalkHostOptions& options, const PortFunction& freeUdpPort, std::string* error);

    // A datagram event of the server loop's window: true when it was for a media port.
    bool OnUdpNotify(const LinkEvent* event, const void* detail);
    void OnTimer(std::uint32_t now);
    TalkRequests* Requests() { return m_requests.get(); }
    // Another service on the stream link library (account, update): offered every stream
    // event first and called on each housekeeping pass. Removed before it goes.
    void AddStreamService(StreamService* service) { m_services.push_back(service); }
    void RemoveStreamService(StreamService* service) { std::erase(m_services, service); }
    ConferenceRequests* ConfRequests() { return m_conf ? m_conf->Requests() : nullptr; }

    // "calls [N]": the latest call records as CALLREC lines. False for another command.
    bool RunCommand(const std::vector<std::string>& words, std::vector<std::string>* lines);

private:
    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnTcpNotify(const LinkEvent* event, const void* detail);
    bool BindMedia(const TalkHostOptions& options, const PortFunction& freeUdpPort, std::string* error);
    void SendMedia(Medium medium, const std::vector<std::uint8_t>& datagram, const MediaAddress& to);

    SessionTable& m_sessions;
    SubscriberDb& m_db;
    TalkRequests::SendFunction m_sendUser;
    PrintFunction m_print;
    FunctionWindow m_window;
    UINT m_tcpNotifyMsg = 0;
    bool m_tcpReady = false;
    LinkHandle m_listen = 0;
    LinkHandle m_mediaLinks[2] = {0, 0};
    std::unique_ptr<TalkRecords> m_records;
    std::unique_ptr<EchoService> m_echo;
    TalkCallTable m_calls;
    std::unique_ptr<TalkServer> m_talk;
    std::unique_ptr<MediaRendezvous> m_media;
    std::unique_ptr<TalkRequests> m_requests;
    TalkRequestConfig m_requestConfig;
    std::vector<StreamService*> m_services;
    std::unique_ptr<ConferenceHost> m_conf; // rides on this side's stream link library
};

} // namespace orv
