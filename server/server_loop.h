// The running server: a hidden window on the main thread's message loop receives the
// datagram link's "Udp Notify Msg", the housekeeping timer, admin lines from the standard
// input reader and the stop request from the signal watcher.
#pragma once

#include "linkcommon/link_event.h"
#include "platform/message.h"
#include "server/account_host.h"
#include "server/server_options.h"
#include "server/subscriber_db.h"
#include "server/talk_host.h"
#include "server/update_host.h"
#include "server/user_server.h"

#include <memory>
#include <string>

namespace orv {

class ServerLoop : public Window {
public:
    ServerLoop(SubscriberDb& db, const ServerOptions& options);
    ~ServerLoop() override;

    // Binds the user server's link, the talk server and the media rendezvous, and prints
    // their LISTEN lines. False with *error.
    bool Start(std::string* error);
    // Runs until quit, a stop signal or SIGINT/SIGTERM; returns the exit code.
    int Run();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool BindUserLink(std::uint16_t* port);
    bool StartAccountServer(std::string* error);
    bool StartUpdateServer(std::string* error);
    void OnUdpNotify(const LinkEvent* event, const void* detail);
    void OnAdminLine(const std::string& line);
    void StartInputReader();
    void StartSignalWatcher();

    SubscriberDb& m_db;
    ServerOptions m_options;
    std::unique_ptr<UserServer> m_server;
    std::unique_ptr<TalkHost> m_talk; // the talk server and the media rendezvous
    std::unique_ptr<AccountHost> m_account; // on the talk host's stream link library
    std::unique_ptr<UpdateHost> m_update;   // likewise
    UINT m_udpNotifyMsg = 0;
    LinkHandle m_link = 0;
    bool m_udpReady = false;
};

// Blocks the stop signals in the calling thread and every thread it starts afterwards, so
// that only the signal watcher receives them. Call first thing in main.
void BlockStopSignals();

} // namespace orv
