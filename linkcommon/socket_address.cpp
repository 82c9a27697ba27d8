#include "linkcommon/socket_address.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv {

bool NetworkOrderOfDottedQuad(const char* text, std::uint32_t* address) {
    in_addr parsed{};
    if (text == nullptr || ::inet_pton(AF_INET, text, &parsed) != 1) return false;
    *address = parsed.s_addr;
    return true;
}

bool ParseBindAddress(const char* text, std::uint32_t* address) {
    if (text == nullptr || *text == '\0') {
        *address = htonl(INADDR_ANY);
        return true;
    }
    return NetworkOrderOfDottedQuad(text, address);
}

sockaddr_in MakeSockAddr(std::uint32_t address, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = address;
    sa.sin_port = htons(port);
    return sa;
}

int OpenBoundSocket(bool stream, std::uint32_t address, std::uint16_t port) {
    const int fd = ::socket(AF_INET, (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    if (stream) ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in local = MakeSockAddr(address, port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    // Messages are request and answer sized; waiting to coalesce them only adds latency.
    if (stream) ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

} // namespace orv
