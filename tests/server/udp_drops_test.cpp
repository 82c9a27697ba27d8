// orvload's reading of the kernel's drop count for the server's socket: a socket flooded
// past its receive buffer reads exactly the datagrams it lost, over IPv4 and IPv6, and only
// for the process that holds it.
#include "tools/orvload/load_stats.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

namespace orv {
namespace {

// A bound datagram socket with the smallest receive buffer, closed at the end.
class SmallSocket {
public:
    explicit SmallSocket(int family) : m_family(family), m_fd(::socket(family, SOCK_DGRAM | SOCK_NONBLOCK, 0)) {
        const int tiny = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &tiny, sizeof tiny);
        sockaddr_storage address{};
        socklen_t size = Loopback(0, &address);
        m_bound = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                  ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
        if (m_bound) m_port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in&>(address).sin_port
                                                      : reinterpret_cast<sockaddr_in6&>(address).sin6_port);
    }
    ~SmallSocket() {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool Bound() const { return m_bound; }
    std::uint16_t Port() const { return m_port; }

    // Sends count datagrams to itself and takes what arrived; the rest the kernel dropped.
    int SendAndCountLost(int count) {
        sockaddr_storage to{};
        const socklen_t size = Loopback(m_port, &to);
        char datagram[512] = {};
        int sent = 0;
        for (int i = 0; i < count; ++i) {
            if (::sendto(m_fd, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&to), size) > 0) ++sent;
        }
        int arrived = 0;
        while (::recv(m_fd, datagram, sizeof datagram, 0) > 0) ++arrived;
        return sent - arrived;
    }

private:
    socklen_t Loopback(std::uint16_t port, sockaddr_storage* address) const {
        if (m_family == AF_INET) {
            auto& in = reinterpret_cast<sockaddr_in&>(*address);
            in.sin_family = AF_INET;
            in.sin_port = htons(port);
            in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            return sizeof in;
        }
        auto& in6 = reinterpret_cast<sockaddr_in6&>(*address);
        in6.sin6_family = AF_INET6;
        in6.sin6_port = htons(port);
        in6.sin6_addr = in6addr_loopback;
        return sizeof in6;
    }
    int m_family;
    int m_fd;
    bool m_bound = false;
    std::uint16_t m_port = 0;
};

TEST(UdpDrops, AFloodedSocketReadsItsOwnLossOverBothFamilies) {
    SmallSocket v4(AF_INET);
    ASSERT_TRUE(v4.Bound());
    EXPECT_EQ(ReadUdpDrops(::getpid(), v4.Port()), 0);
    const int lost = v4.SendAndCountLost(200);
    ASSERT_GT(lost, 0) << "the receive buffer took every datagram";
    EXPECT_EQ(ReadUdpDrops(::getpid(), v4.Port()), lost);
    EXPECT_EQ(ReadUdpDrops(0, v4.Port()), lost); // by port alone
    // Another process's view has the line too, but the socket is not that process's.
    EXPECT_EQ(ReadUdpDrops(::getppid(), v4.Port()), -1);

    SmallSocket v6(AF_INET6);
    if (!v6.Bound()) GTEST_SKIP() << "no IPv6 loopback here";
    const int lost6 = v6.SendAndCountLost(200);
    ASSERT_GT(lost6, 0);
    EXPECT_EQ(ReadUdpDrops(::getpid(), v6.Port()), lost6);
}

} // namespace
} // namespace orv
