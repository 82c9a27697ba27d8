// A stream client for tests: a blocking TCP socket to 127.0.0.1 that frames and scrambles
// exactly like the client's stream link, and reassembles what the server sends, so a test
// sees the talk server's messages byte for byte.
#pragma once

#include "tcplink/stream_reassembler.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <deque>
#include <vector>

namespace orv {

class TcpTestClient {
public:
    TcpTestClient() = default;
    ~TcpTestClient() { Close(); }
    TcpTestClient(const TcpTestClient&) = delete;
    TcpTestClient& operator=(const TcpTestClient&) = delete;

    bool Connect(std::uint16_t port) {
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return m_fd >= 0 && connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    void Close() {
        if (m_fd >= 0) close(m_fd);
        m_fd = -1;
    }
    // The local address of the connection, host order.
    std::uint16_t LocalPort() const {
        sockaddr_in a{};
        socklen_t len = sizeof a;
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        return ntohs(a.sin_port);
    }

    bool Send(const std::vector<std::uint8_t>& message, bool scramble = true) {
        const auto frame = BuildFrame(message.data(), static_cast<std::uint32_t>(message.size()),
                                      scramble ? kTcpSendScramble : 0);
        return SendRaw(frame);
    }
    bool SendRaw(const std::vector<std::uint8_t>& bytes) {
        return send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }

    // The next whole message; false when none came in time or the server closed the link.
    bool Receive(int timeoutMs, std::vector<std::uint8_t>* message) {
        while (m_messages.empty()) {
            if (!ReadSome(timeoutMs)) return false;
        }
        *message = std::move(m_messages.front());
        m_messages.pop_front();
        return true;
    }
    // The next message of a type, skipping others; false when none came in time.
    bool ReceiveType(std::uint16_t type, int timeoutMs, std::vector<std::uint8_t>* message) {
        while (Receive(timeoutMs, message)) {
            if (message->size() >= 2 && ((*message)[0] | ((*message)[1] << 8)) == type) return true;
        }
        return false;
    }
    // True when the server closed the connection within the time.
    bool WaitClosed(int timeoutMs) {
        while (ReadSome(timeoutMs)) {
        }
        return m_closed;
    }

private:
    bool ReadSome(int timeoutMs) {
        pollfd p{m_fd, POLLIN, 0};
        if (m_fd < 0 || poll(&p, 1, timeoutMs) != 1) return false;
        std::uint8_t buffer[4096];
        const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            m_closed = true;
            return false;
        }
        std::size_t at = 0;
        while (at < static_cast<std::size_t>(n)) {
            const auto step = m_reassembler.Feed(buffer + at, static_cast<std::size_t>(n) - at);
            at += step.consumed;
            if (step.complete) m_messages.push_back(m_reassembler.TakeMessage());
        }
        return true;
    }

    int m_fd = -1;
    bool m_closed = false;
    StreamReassembler m_reassembler;
    std::deque<std::vector<std::uint8_t>> m_messages;
};

} // namespace orv
