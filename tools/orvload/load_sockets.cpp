#include "tools/orvload/load_sockets.h"

#include "linkcommon/socket_address.h"
#include "udplink/datagram_codec.h"
#include "wire/ipv4_text.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orv {

namespace {

// The first local address of the clients on the loopback network, and how many follow it.
// The address goes by the client's number, so runs side by side with other numbers use
// other addresses (and their own port ranges).
constexpr std::uint32_t kFirstLocalAddress = 0x7F000101; // 127.0.1.1
constexpr std::uint64_t kLocalAddresses = 60000;
// On the loopback network each client asks for a port of its own (by its number), which
// binds at once where the system's search for a free port slows down as thousands are
// taken; a port in use sends it back to that search.
constexpr std::uint16_t kFirstLocalPort = 30000;
// Descriptors beside the sockets: standard streams, the epoll set, /proc files read.
constexpr std::size_t kOtherDescriptors = 16;

bool RaiseDescriptorLimit(std::size_t needed, std::string* error) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur >= needed) return true;
    rlimit wanted = limit;
    wanted.rlim_cur = needed;
    if (wanted.rlim_max < needed) wanted.rlim_max = needed; // only a privileged process may
    if (setrlimit(RLIMIT_NOFILE, &wanted) == 0) return true;
    wanted.rlim_max = limit.rlim_max;
    wanted.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &wanted);
    *error = "needs " + std::to_string(needed) + " descriptors, the limit is " + std::to_string(limit.rlim_max) +
             " (raise it with ulimit -n, or run several orvload with other --first numbers)";
    return false;
}

} // namespace

LoadSockets::~LoadSockets() {
    for (int fd : m_fds) close(fd);
    if (m_epoll >= 0) close(m_epoll);
}

bool LoadSockets::Open(const LoadOptions& options, std::string* error) {
    if (!RaiseDescriptorLimit(options.clients + kOtherDescriptors, error)) return false;
    std::uint32_t serverIp = 0;
    ParseDottedQuad(options.serverAddress, &serverIp);
    const bool loopback = (serverIp >> 24) == 127;
    const sockaddr_in server = MakeSockAddr(htonl(serverIp), options.serverPort);
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll < 0) {
        *error = std::string("epoll: ") + std::strerror(errno);
        return false;
    }
    m_fds.reserve(options.clients);
    for (std::uint32_t i = 0; i < options.clients; ++i) {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            *error = "socket " + std::to_string(i) + ": " + std::strerror(errno);
            return false;
        }
        m_fds.push_back(fd);
        const std::uint64_t number = options.firstNumber + i;
        const std::uint64_t slot = number / options.clientsPerAddress % kLocalAddresses;
        const std::uint32_t ip = loopback ? kFirstLocalAddress + static_cast<std::uint32_t>(slot) : 0;
        const auto port = static_cast<std::uint16_t>(loopback ? kFirstLocalPort + number % options.clientsPerAddress : 0);
        sockaddr_in local = MakeSockAddr(htonl(ip), port);
        bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
        if (!bound && port != 0) {
            local.sin_port = 0;
            bound = bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
        }
        if (!bound || connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
            *error = "socket " + std::to_string(i) + ": " + std::strerror(errno);
            return false;
        }
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = i;
        if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event) != 0) {
            *error = std::string("epoll: ") + std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool LoadSockets::Send(std::size_t i, const std::vector<std::uint8_t>& payload) {
    const auto wire = EncodeDatagram(kUdpFlagScramble, kUdpFlagScramble, payload.data(), payload.size());
    return ::send(m_fds[i], wire.data(), wire.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(wire.size());
}

} // namespace orv
