#include "tests/handlers/fake_user_server.h"

#include "wire/byte_order.h"
#include "wire/packet_header.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace orv::test {

namespace {
constexpr std::uint32_t kKey = 0x5B1D9E37;
} // namespace

void ScrambleWords(std::vector<std::uint8_t>& data) {
    std::uint32_t m = static_cast<std::uint32_t>(data.size()) % kKey;
    std::uint32_t v = kKey;
    for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
        std::uint32_t w = GetU32LE(data.data() + i) ^ v;
        PutU32LE(data.data() + i, w);
        v = w % m;
    }
}

void UnscrambleWords(std::vector<std::uint8_t>& data) {
    std::uint32_t m = static_cast<std::uint32_t>(data.size()) % kKey;
    std::uint32_t v = kKey;
    for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
        std::uint32_t c = GetU32LE(data.data() + i);
        PutU32LE(data.data() + i, c ^ v);
        v = c % m;
    }
}

FakeUserServer::FakeUserServer() {
    m_fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
        throw std::runtime_error("cannot bind the test server socket");
    socklen_t len = sizeof(addr);
    getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
}

FakeUserServer::~FakeUserServer() {
    if (m_fd >= 0) close(m_fd);
}

std::optional<Datagram> FakeUserServer::Receive(int timeoutMs) {
    pollfd p{m_fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
    std::vector<std::uint8_t> buf(70000);
    sockaddr_in from{};
    socklen_t len = sizeof(from);
    ssize_t n = recvfrom(m_fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 1) return std::nullopt;
    Datagram d;
    d.payload.assign(buf.begin() + 1, buf.begin() + n);
    if (buf[0] == 2) UnscrambleWords(d.payload);
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof(text));
    d.from = text;
    d.fromPort = ntohs(from.sin_port);
    m_peer = d.from;
    m_peerPort = d.fromPort;
    PacketHeader h;
    if (ReadPacketHeader(d.payload.data(), d.payload.size(), &h)) {
        d.type = h.type;
        d.length = h.length;
        d.seqNum = h.seqNum;
    }
    return d;
}

void FakeUserServer::SendRaw(const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> wire = payload;
    ScrambleWords(wire);
    wire.insert(wire.begin(), 2);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_peerPort);
    inet_pton(AF_INET, m_peer.c_str(), &to.sin_addr);
    sendto(m_fd, wire.data(), wire.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof(to));
}

void FakeUserServer::Send(std::uint16_t type, std::uint32_t seqNum, const std::vector<std::uint8_t>& body,
                          int lengthOverride) {
    std::size_t length = lengthOverride >= 0 ? static_cast<std::size_t>(lengthOverride) : 8 + body.size();
    std::vector<std::uint8_t> packet = Cat({U16(type), U16(static_cast<std::uint16_t>(length)), U32(seqNum), body});
    SendRaw(packet);
}

std::vector<std::uint8_t> U8(std::uint8_t v) { return {v}; }
std::vector<std::uint8_t> U16(std::uint16_t v) {
    std::vector<std::uint8_t> bytes(2);
    PutU16LE(bytes.data(), v);
    return bytes;
}
std::vector<std::uint8_t> U32(std::uint32_t v) {
    std::vector<std::uint8_t> bytes(4);
    PutU32LE(bytes.data(), v);
    return bytes;
}
std::vector<std::uint8_t> Cat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

} // namespace orv::test
