// The account server of the running process: its listening stream link (events through the
// talk host's window) and the conversation behind it, on the server's thread.
#pragma once

#include "server/account_db.h"
#include "server/account_server.h"
#include "server/stream_listener.h"

#include <functional>
#include <memory>
#include <string>

namespace orv {

class AccountHost {
public:
    using PrintFunction = std::function<void(const std::string& line)>;

    AccountHost(SubscriberDb& db, PrintFunction print);

    // Makes the tables, binds the port (0 = chosen) and prints "LISTEN account tcp ADDR:PORT".
    // The stream link library must be started already. False with *error.
    bool Start(const std::string& address, std::uint16_t port, std::uint16_t* bound, std::string* error);
    StreamService* Service() { return &m_listener; }

private:
    AccountDb m_accounts;
    AccountServer m_server;
    StreamListener m_listener;
    PrintFunction m_print;
};

} // namespace orv
