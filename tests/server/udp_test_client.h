// A client link for tests: a UDP socket on 127.0.0.1 that frames and scrambles exactly like
// the client's datagram link (prefix byte, word scrambling), so the test sees the server's
// answers byte for byte.
#pragma once

#include "udplink/datagram_codec.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace orv {

class UdpTestClient {
public:
    UdpTestClient() {
        m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a = Loopback(0);
        bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
    }
    ~UdpTestClient() { close(m_fd); }
    UdpTestClient(const UdpTestClient&) = delete;
    UdpTestClient& operator=(const UdpTestClient&) = delete;

    std::uint16_t Port() const { return m_port; }

    // scramble false sends the plain form (prefix 0), which a server must take as well.
    bool Send(const std::vector<std::uint8_t>& payload, std::uint16_t port, bool scramble = true) {
        const auto wire = EncodeDatagram(kUdpFlagScramble, scramble ? kUdpFlagScramble : 0, payload.data(),
                                         payload.size());
        return SendRaw(wire, port);
    }
    bool SendRaw(const std::vector<std::uint8_t>& wire, std::uint16_t port) {
        const sockaddr_in to = Loopback(port);
        return sendto(m_fd, wire.data(), wire.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
               static_cast<ssize_t>(wire.size());
    }

    // The next datagram's payload (prefix removed, unscrambled); false when none came in time.
    bool Receive(int timeoutMs, std::vector<std::uint8_t>* payload) {
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) != 1) return false;
        std::vector<std::uint8_t> wire(65536);
        const ssize_t n = recv(m_fd, wire.data(), wire.size(), 0);
        if (n <= 0) return false;
        DatagramPayload decoded;
        if (!DecodeDatagram(kUdpFlagScramble, wire.data(), static_cast<std::size_t>(n), &decoded)) return false;
        payload->assign(decoded.data, decoded.data + decoded.size);
        return true;
    }

private:
    static sockaddr_in Loopback(std::uint16_t port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return a;
    }
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

} // namespace orv
