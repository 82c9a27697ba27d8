// The simulated clients' sockets: one non-blocking datagram socket each, connected to the
// server, bound on the loopback network to 127.0.1.1, 127.0.1.2, ... by client number (a
// few thousand clients an address, so the port range of one address is never exhausted).
#pragma once

#include "tools/orvload/load_options.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class LoadSockets {
public:
    ~LoadSockets();
    // Raises the descriptor limit as far as needed and opens one socket per client, each
    // registered with the epoll set under its index. False with *error.
    bool Open(const LoadOptions& options, std::string* error);
    int Epoll() const { return m_epoll; }
    int Fd(std::size_t i) const { return m_fds[i]; }
    // Sends payload in the link's wire form (prefix byte, scrambled); false when the
    // socket refused it.
    bool Send(std::size_t i, const std::vector<std::uint8_t>& payload);

private:
    int m_epoll = -1;
    std::vector<int> m_fds;
};

} // namespace orv
