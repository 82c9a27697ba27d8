// A talk server played by the test: a plain TCP listener on 127.0.0.1 that speaks the
// stream link's frame (marker FD FD FD, flag, u32 length, payload scrambled by words) with
// the test's own scrambling code, and a plain UDP socket standing for the media rendezvous
// that receives the channel announcements.
#pragma once

#include <cstdint>
#include <sys/socket.h>
#include <optional>
#include <vector>

namespace orv::test {

struct TalkMessage {
    std::vector<std::uint8_t> packet; // unscrambled
    std::uint16_t type = 0;
    std::uint16_t length = 0;
    std::uint32_t seqNum = 0;
    std::uint32_t callId = 0;
};

class FakeTalkServer {
public:
    FakeTalkServer();
    ~FakeTalkServer();
    FakeTalkServer(const FakeTalkServer&) = delete;
    FakeTalkServer& operator=(const FakeTalkServer&) = delete;

    std::uint16_t Port() const { return m_port; }
    // Waits for the client's connection; false on time-out.
    bool Accept(int timeoutMs = 5000);
    // The next whole message; nullopt when none comes in time or the link closed.
    std::optional<TalkMessage> Receive(int timeoutMs = 5000);
    // True when nothing arrives within timeoutMs.
    bool Quiet(int timeoutMs = 200);
    void Send(const std::vector<std::uint8_t>& packet);
    // Writes bytes as they are, unframed; false once the client has dropped the connection.
    bool SendRaw(const std::vector<std::uint8_t>& bytes) {
        return ::send(m_conn, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    // Closes the accepted connection (the client sees the link go down).
    void CloseConnection();

private:
    bool ReadExact(std::uint8_t* out, std::size_t size, int timeoutMs);
    int m_listener = -1;
    int m_conn = -1;
    std::uint16_t m_port = 0;
};

// The media rendezvous: datagrams arriving at one UDP port of 127.0.0.1.
class FakeRendezvous {
public:
    FakeRendezvous();
    ~FakeRendezvous();
    std::uint16_t Port() const { return m_port; }
    std::optional<std::vector<std::uint8_t>> Receive(int timeoutMs = 5000, std::uint16_t* fromPort = nullptr);

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

// Talk-server packets as the server sends them (header, CallID, body).
std::vector<std::uint8_t> TalkPacket(std::uint16_t type, std::uint32_t seqNum, std::uint32_t callId,
                                     const std::vector<std::uint8_t>& body);
// The media parameters of CallAccept / CallH323Connect.
std::vector<std::uint8_t> MediaParamsBody(std::uint16_t audioCodec, std::uint32_t peerIP, std::uint16_t audioPort,
                                          std::uint16_t videoPort);

} // namespace orv::test
