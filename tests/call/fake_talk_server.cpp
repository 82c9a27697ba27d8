#include "tests/call/fake_talk_server.h"

#include "tests/handlers/fake_user_server.h"
#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace orv::test {

namespace {

int BoundSocket(int type, std::uint16_t* port) {
    int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(addr);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) != 0)
        throw std::runtime_error("cannot bind a test socket");
    *port = ntohs(addr.sin_port);
    return fd;
}

// The stream link's word scrambling, written here from its description: key 0x4E2A6C19,
// each word XORed with the previous scrambled word modulo the payload length.
constexpr std::uint32_t kStreamKey = 0x4E2A6C19;

void StreamScramble(std::vector<std::uint8_t>& data, bool scramble) {
    std::uint32_t m = static_cast<std::uint32_t>(data.size()) % kStreamKey;
    std::uint32_t v = kStreamKey;
    for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
        std::uint32_t in = GetU32LE(data.data() + i);
        std::uint32_t out = in ^ v;
        PutU32LE(data.data() + i, out);
        v = (scramble ? out : in) % m;
    }
}

bool WaitReadable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1;
}

} // namespace

FakeTalkServer::FakeTalkServer() {
    m_listener = BoundSocket(SOCK_STREAM, &m_port);
    listen(m_listener, 4);
}

FakeTalkServer::~FakeTalkServer() {
    CloseConnection();
    if (m_listener >= 0) close(m_listener);
}

bool FakeTalkServer::Accept(int timeoutMs) {
    if (!WaitReadable(m_listener, timeoutMs)) return false;
    m_conn = accept(m_listener, nullptr, nullptr);
    return m_conn >= 0;
}

void FakeTalkServer::CloseConnection() {
    if (m_conn >= 0) close(m_conn);
    m_conn = -1;
}

bool FakeTalkServer::ReadExact(std::uint8_t* out, std::size_t size, int timeoutMs) {
    std::size_t got = 0;
    while (got < size) {
        if (!WaitReadable(m_conn, timeoutMs)) return false;
        ssize_t n = read(m_conn, out + got, size - got);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<TalkMessage> FakeTalkServer::Receive(int timeoutMs) {
    if (m_conn < 0) return std::nullopt;
    std::uint8_t frame[8];
    if (!ReadExact(frame, sizeof(frame), timeoutMs)) return std::nullopt;
    if (frame[0] != 0xFD || frame[1] != 0xFD || frame[2] != 0xFD) throw std::runtime_error("bad frame marker");
    std::uint32_t length = GetU32LE(frame + 4);
    if (length > 65536) throw std::runtime_error("frame too long");
    TalkMessage m;
    m.packet.resize(length);
    if (!ReadExact(m.packet.data(), length, timeoutMs)) return std::nullopt;
    if (frame[3] == 2) StreamScramble(m.packet, false);
    if (length >= 8) {
        m.type = GetU16LE(m.packet.data());
        m.length = GetU16LE(m.packet.data() + 2);
        m.seqNum = GetU32LE(m.packet.data() + 4);
    }
    if (length >= 12) m.callId = GetU32LE(m.packet.data() + 8);
    return m;
}

bool FakeTalkServer::Quiet(int timeoutMs) {
    return m_conn < 0 || !WaitReadable(m_conn, timeoutMs);
}

void FakeTalkServer::Send(const std::vector<std::uint8_t>& packet) {
    std::vector<std::uint8_t> payload = packet;
    StreamScramble(payload, true);
    std::vector<std::uint8_t> frame = {0xFD, 0xFD, 0xFD, 2, 0, 0, 0, 0};
    PutU32LE(frame.data() + 4, static_cast<std::uint32_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    if (write(m_conn, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
        throw std::runtime_error("talk server write failed");
}

FakeRendezvous::FakeRendezvous() { m_fd = BoundSocket(SOCK_DGRAM, &m_port); }
FakeRendezvous::~FakeRendezvous() {
    if (m_fd >= 0) close(m_fd);
}

std::optional<std::vector<std::uint8_t>> FakeRendezvous::Receive(int timeoutMs, std::uint16_t* fromPort) {
    if (!WaitReadable(m_fd, timeoutMs)) return std::nullopt;
    std::vector<std::uint8_t> data(2048);
    sockaddr_in from{};
    socklen_t size = sizeof(from);
    ssize_t n = recvfrom(m_fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (n < 0) return std::nullopt;
    data.resize(static_cast<std::size_t>(n));
    if (fromPort != nullptr) *fromPort = ntohs(from.sin_port);
    return data;
}

std::vector<std::uint8_t> TalkPacket(std::uint16_t type, std::uint32_t seqNum, std::uint32_t callId,
                                     const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> p(12 + body.size());
    PutU16LE(p.data(), type);
    PutU16LE(p.data() + 2, static_cast<std::uint16_t>(p.size()));
    PutU32LE(p.data() + 4, seqNum);
    PutU32LE(p.data() + 8, callId);
    std::copy(body.begin(), body.end(), p.begin() + 12);
    return p;
}

std::vector<std::uint8_t> MediaParamsBody(std::uint16_t audioCodec, std::uint32_t peerIP, std::uint16_t audioPort,
                                          std::uint16_t videoPort) {
    return Cat({U16(audioCodec), U16(0), U16(audioCodec), U16(0), U16(10), U16(128), U16(1), U32(peerIP),
                U16(audioPort), U32(peerIP), U16(videoPort)});
}

} // namespace orv::test
