#include "server/udp_port_bind.h"

#include "udplink/udplink.h"

namespace orv {

namespace {
constexpr int kPortAttempts = 20;
}

LinkHandle BindUdpLink(const std::string& address, std::uint16_t fixedPort, std::uint32_t flags,
                       const FreePortFunction& freePort, std::uint16_t* port) {
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        const std::uint16_t wanted = fixedPort != 0 ? fixedPort : freePort(address);
        const LinkHandle link = wanted != 0 ? UdpCreate(address.c_str(), wanted, flags) : 0;
        if (link != 0) {
            *port = wanted;
            return link;
        }
        if (fixedPort != 0) return 0; // a fixed port is taken: nothing to retry
    }
    return 0;
}

} // namespace orv
