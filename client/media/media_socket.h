// The datagram socket of one medium of a call. Addresses are dotted IPv4 text and ports are
// in host order, as the call handler keeps them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

class MediaSocket {
public:
    MediaSocket() = default;
    ~MediaSocket() { Close(); }
    MediaSocket(const MediaSocket&) = delete;
    MediaSocket& operator=(const MediaSocket&) = delete;

    // Opens an IPv4 socket of the given type with SO_REUSEADDR and binds it to the port
    // (0 = chosen by the system) on the dotted address, or on any address when none is
    // given. Non-zero on success; on failure the socket is closed and LastError() holds the
    // errno (EINVAL for an address that is not a dotted quad). An open socket stays as is.
    int Create(std::uint16_t port, int type, const char* address = nullptr);

    // Sends to host:port; the host is dotted text or a name (unresolvable: -1, EINVAL), a
    // null host is the broadcast address. Result as sendto.
    long SendTo(const void* data, std::size_t length, std::uint16_t port, const char* host,
                int flags = 0);
    // Receives one datagram and reports where it came from. Result as recvfrom.
    long ReceiveFrom(void* buffer, std::size_t size, std::string& address, std::uint16_t& port,
                     int flags = 0);
    // The bound address and port; false when unknown.
    bool LocalAddress(std::string& address, std::uint16_t& port) const;

    // Ends both directions, so a receive blocked on another thread returns; the handle stays
    // reserved until Close().
    void Shutdown();
    void Close();

    bool IsCreated() const { return m_handle.load() >= 0; }
    int Handle() const { return m_handle.load(); }
    int LastError() const { return m_lastError; }

private:
    std::atomic<int> m_handle{-1};
    int m_lastError = 0;
};

} // namespace orv
