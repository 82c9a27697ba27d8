// The conference side of the running server: the conference server's listening stream link
// and its two media ports, the room table, the conference server, its media and the user
// server's conference requests. It rides on the talk side's stream link library and window
// (which hands it the events of its own links) and on the server loop's datagram links; its
// own window runs the mixing clock (a block every 30 ms, caught up when the thread was late)
// and closes links outside their own events. Everything runs on the server's thread.
#pragma once

#include "platform/message.h"
#include "server/conference_media.h"
#include "server/conference_requests.h"
#include "server/conference_server.h"
#include "server/stream_service.h"

#include <functional>
#include <memory>
#include <string>

namespace orv {

class ConferenceHost : public StreamService {
public:
    using PrintFunction = std::function<void(const std::string& line)>;
    using PortFunction = std::function<std::uint16_t(const std::string& address)>;

    ConferenceHost(SessionTable& sessions, SubscriberDb& db, TalkCallTable* calls,
                   ConferenceRequests::SendFunction sendUser, PrintFunction print);
    ~ConferenceHost() override;
    ConferenceHost(const ConferenceHost&) = delete;
    ConferenceHost& operator=(const ConferenceHost&) = delete;

    // Binds the stream port and the media ports (the stream link library and the datagram
    // link library must be started already) and prints their LISTEN lines. publicIp (host
    // order) is what the establish notices and CallAccept announce. False with *error.
    bool Start(const std::string& address, std::uint32_t publicIp, const PortFunction& freeUdpPort,
               std::string* error);

    // A stream or datagram event: true when it was for one of the conference's links.
    bool OnTcpEvent(const LinkEvent* event, const void* detail) override;
    bool OnUdpNotify(const LinkEvent* event, const void* detail);
    void OnTimer(std::uint32_t now) override;
    ConferenceRequests* Requests() { return m_requests.get(); }
    ConfRoomTable& Rooms() { return m_rooms; }

private:
    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnMixClock();
    void SendMedia(Medium medium, const std::vector<std::uint8_t>& datagram, const MediaAddress& to);

    SessionTable& m_sessions;
    SubscriberDb& m_db;
    TalkCallTable* m_calls;
    ConferenceRequests::SendFunction m_sendUser;
    PrintFunction m_print;
    FunctionWindow m_window;
    LinkHandle m_listen = 0;
    std::uint16_t m_listenPort = 0;
    LinkHandle m_mediaLinks[2] = {0, 0};
    ConfRoomTable m_rooms;
    std::unique_ptr<ConferenceServer> m_server;
    std::unique_ptr<ConferenceMedia> m_media;
    std::unique_ptr<ConferenceRequests> m_requests;
    std::uint32_t m_nextMix = 0;
};

} // namespace orv
