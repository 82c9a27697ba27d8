#include "client/media/media_socket.h"

#include "platform/system.h"
#include "wire/ipv4_text.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv {

namespace {

std::string DottedAddress(const in_addr& address) { return DottedQuadOfNetworkOrder(address.s_addr); }

} // namespace

int MediaSocket::Create(std::uint16_t port, int type, const char* address) {
    if (IsCreated()) return 1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (address != nullptr && inet_pton(AF_INET, address, &local.sin_addr) != 1) {
        m_lastError = EINVAL;
        return 0;
    }
    const int handle = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        m_lastError = errno;
        return 0;
    }
    const int on = 1;
    if (setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(handle, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        m_lastError = errno;
        close(handle);
        return 0;
    }
    m_handle.store(handle);
    return 1;
}

long MediaSocket::SendTo(const void* data, std::size_t length, std::uint16_t port,
                         const char* host, int flags) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    if (host != nullptr) {
        std::uint32_t resolved = 0;
        if (!ResolveIPv4(host, &resolved)) {
            m_lastError = EINVAL;
            return -1;
        }
        peer.sin_addr.s_addr = resolved;
    }
    const long sent = sendto(Handle(), data, length, flags | MSG_NOSIGNAL,
                             reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    if (sent < 0) m_lastError = errno;
    return sent;
}

long MediaSocket::ReceiveFrom(void* buffer, std::size_t size, std::string& address,
                              std::uint16_t& port, int flags) {
    sockaddr_in peer{};
    socklen_t peerLength = sizeof peer;
    const long received = recvfrom(Handle(), buffer, size, flags,
                                   reinterpret_cast<sockaddr*>(&peer), &peerLength);
    if (received < 0) {
        m_lastError = errno;
        return received;
    }
    address = DottedAddress(peer.sin_addr);
    port = ntohs(peer.sin_port);
    return received;
}

bool MediaSocket::LocalAddress(std::string& address, std::uint16_t& port) const {
    sockaddr_in local{};
    socklen_t localLength = sizeof local;
    if (getsockname(Handle(), reinterpret_cast<sockaddr*>(&local), &localLength) != 0) return false;
    address = DottedAddress(local.sin_addr);
    port = ntohs(local.sin_port);
    return true;
}

void MediaSocket::Shutdown() {
    const int handle = Handle();
    if (handle >= 0) shutdown(handle, SHUT_RDWR);
}

void MediaSocket::Close() {
    const int handle = m_handle.exchange(-1);
    if (handle < 0) return;
    shutdown(handle, SHUT_WR);
    close(handle);
}

} // namespace orv
