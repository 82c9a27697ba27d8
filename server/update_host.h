// The update server of the running process: its listening stream link (events through the
// talk host's window), the folder it serves and the conversation, on the server's thread.
#pragma once

#include "server/stream_listener.h"
#include "server/update_folder.h"
#include "server/update_server.h"

#include <functional>
#include <string>

namespace orv {

class UpdateHost {
public:
    using PrintFunction = std::function<void(const std::string& line)>;

    UpdateHost(const std::string& folder, const std::string& keyFile, PrintFunction print);

    // Prepares the folder and its signature, binds the port (0 = chosen), prints
    // "UPDATE-KEY HEX" and "LISTEN update tcp ADDR:PORT". False with *error.
    bool Start(const std::string& address, std::uint16_t port, std::uint16_t* bound, std::string* error);
    StreamService* Service() { return &m_listener; }

private:
    UpdateFolder m_folder;
    UpdateServer m_server;
    StreamListener m_listener;
    PrintFunction m_print;
};

} // namespace orv
