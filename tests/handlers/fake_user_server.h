// A user server played by the test: a plain UDP socket on 127.0.0.1 that speaks the datagram
// link's wire form (one prefix byte; prefix 2 = payload scrambled) with its own independent
// scrambling code, so the tests check the exact bytes the client puts on the wire.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orv::test {

struct Datagram {
    std::vector<std::uint8_t> payload; // prefix removed, unscrambled
    std::uint16_t type = 0;
    std::uint16_t length = 0;
    std::uint32_t seqNum = 0;
    std::string from; // "a.b.c.d"
    std::uint16_t fromPort = 0;
};

class FakeUserServer {
public:
    FakeUserServer();
    ~FakeUserServer();
    std::uint16_t Port() const { return m_port; }

    // The next datagram, waiting up to timeoutMs; nullopt on time-out.
    std::optional<Datagram> Receive(int timeoutMs = 5000);
    // Sends header + body (PktLen = the real length unless lengthOverride >= 0) to the last
    // sender, scrambled like the client's link does.
    void Send(std::uint16_t type, std::uint32_t seqNum, const std::vector<std::uint8_t>& body,
              int lengthOverride = -1);
    // Sends raw payload bytes (already a whole packet, or garbage).
    void SendRaw(const std::vector<std::uint8_t>& payload);
    // Sends from now on to this address instead of the last sender (a stranger that knows
    // the client's port).
    void AimAt(const std::string& address, std::uint16_t port) {
        m_peer = address;
        m_peerPort = port;
    }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
    std::string m_peer;
    std::uint16_t m_peerPort = 0;
};

// Body builders.
std::vector<std::uint8_t> U8(std::uint8_t v);
std::vector<std::uint8_t> U16(std::uint16_t v);
std::vector<std::uint8_t> U32(std::uint32_t v);
std::vector<std::uint8_t> Cat(std::initializer_list<std::vector<std::uint8_t>> parts);

// The datagram link's word-chaining scrambling, written here from its description.
void ScrambleWords(std::vector<std::uint8_t>& data);
void UnscrambleWords(std::vector<std::uint8_t>& data);

} // namespace orv::test
