#include "tests/links/link_harness.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <utility>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::test {

namespace {

constexpr UINT kRunMessage = WM_USER + 10;
constexpr int kWaitMs = 5000;

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(port);
    return sa;
}

int BoundSocket(int type, std::uint16_t* port) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in sa = Loopback(0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) throw std::runtime_error("bind");
    socklen_t size = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &size);
    *port = ntohs(sa.sin_port);
    return fd;
}

bool WaitReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, kWaitMs) == 1;
}

} // namespace


LinkThread::LinkThread() {
    Start();
    m_ready.Wait(kWaitMs);
}

LinkThread::~LinkThread() { Stop(); }

bool LinkThread::InitInstance() {
    m_tcpMessage = RegisterWindowMessage(kTcpNotifyMsgName);
    m_udpMessage = RegisterWindowMessage(kUdpNotifyMsgName);
    m_window = std::make_unique<FunctionWindow>(
        [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); });
    const HWND hwnd = m_window->Create("NotifyWnd");
    const bool up = hwnd != 0 && UdpInit(hwnd) != 0 && TcpInit(hwnd) != 0;
    m_ready.Set();
    return up;
}

int LinkThread::ExitInstance() {
    TcpUninit();
    UdpUninit();
    m_window.reset();
    return 0;
}

void LinkThread::SetHook(std::function<void(const LinkRecord&)> hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hook = std::move(hook);
}

void LinkThread::RunOnThread(const std::function<void()>& f) {
    SendMessage(m_window->GetSafeHwnd(), kRunMessage, reinterpret_cast<WPARAM>(&f), 0);
}

LRESULT LinkThread::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunMessage) {
        (*reinterpret_cast<const std::function<void()>*>(wParam))();
        return 0;
    }
    if (message != m_tcpMessage && message != m_udpMessage) return 0;
    const auto* event = reinterpret_cast<const LinkEvent*>(wParam);
    LinkRecord record;
    record.stream = message == m_tcpMessage;
    record.code = event->code;
    record.link = event->link;
    if (record.code == kLinkEventData && record.stream) {
        const auto* info = reinterpret_cast<const TcpRecvInfo*>(lParam);
        record.subCode = info->subCode;
        record.bufferNull = info->buffer == nullptr;
        record.length = info->length;
        record.received = info->received;
        if (info->subCode == kTcpRecvComplete) record.data.assign(info->buffer, info->buffer + info->length);
    } else if (record.code == kLinkEventData) {
        const auto* info = reinterpret_cast<const UdpRecvInfo*>(lParam);
        record.bufferNull = info->data == nullptr;
        record.length = info->length;
        record.data.assign(info->data, info->data + info->length);
        record.address.assign(info->address, ::strnlen(info->address, sizeof info->address));
        record.port = info->port;
    } else if (record.code == kLinkEventAccepted) {
        record.listenLink = reinterpret_cast<const TcpAcceptInfo*>(lParam)->listenLink;
    }
    std::function<void(const LinkRecord&)> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_records.push_back(record);
        hook = m_hook;
    }
    m_changed.notify_all();
    if (hook) hook(record);
    return 0;
}

std::vector<LinkRecord> LinkThread::Records() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records;
}

std::vector<LinkRecord> LinkThread::RecordsOf(LinkHandle link) {
    std::vector<LinkRecord> found;
    for (const LinkRecord& r : Records())
        if (r.link == link) found.push_back(r);
    return found;
}

bool LinkThread::WaitFor(const std::function<bool(const std::vector<LinkRecord>&)>& pred) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return pred(m_records); });
}

bool LinkThread::WaitForEvent(LinkHandle link, std::uint32_t code, std::uint32_t subCode, LinkRecord* found) {
    return WaitFor([&](const std::vector<LinkRecord>& records) {
        for (const LinkRecord& r : records) {
            if (r.link == link && r.code == code && (code != kLinkEventData || subCode == 0 || r.subCode == subCode)) {
                if (found != nullptr) *found = r;
                return true;
            }
        }
        return false;
    });
}

namespace {

std::size_t Count(const std::vector<LinkRecord>& records, LinkHandle link, std::uint32_t code, std::uint32_t subCode) {
    std::size_t count = 0;
    for (const LinkRecord& r : records)
        if (r.link == link && r.code == code && (subCode == 0 || r.subCode == subCode)) ++count;
    return count;
}

} // namespace

std::size_t LinkThread::CountOf(LinkHandle link, std::uint32_t code, std::uint32_t subCode) {
    return Count(Records(), link, code, subCode);
}

bool LinkThread::WaitForCount(LinkHandle link, std::uint32_t code, std::uint32_t subCode, std::size_t count) {
    return WaitFor([&](const std::vector<LinkRecord>& records) { return Count(records, link, code, subCode) >= count; });
}

PlainUdp::PlainUdp() { m_fd = BoundSocket(SOCK_DGRAM, &m_port); }
PlainUdp::~PlainUdp() { ::close(m_fd); }

void PlainUdp::SendTo(std::uint16_t port, const Bytes& datagram) {
    const sockaddr_in to = Loopback(port);
    ::sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

bool PlainUdp::Receive(Bytes* datagram, std::uint16_t* fromPort) {
    if (!WaitReadable(m_fd)) return false;
    datagram->resize(70000);
    sockaddr_in from{};
    socklen_t size = sizeof from;
    const ssize_t got = ::recvfrom(m_fd, datagram->data(), datagram->size(), 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (got < 0) return false;
    datagram->resize(static_cast<std::size_t>(got));
    if (fromPort != nullptr) *fromPort = ntohs(from.sin_port);
    return true;
}

PlainTcp PlainTcp::Connect(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in to = Loopback(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) throw std::runtime_error("connect");
    return PlainTcp(fd);
}

PlainTcp::PlainTcp(PlainTcp&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
PlainTcp& PlainTcp::operator=(PlainTcp&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

PlainTcp::~PlainTcp() { Close(); }

void PlainTcp::Close() {
    if (m_fd >= 0) ::close(std::exchange(m_fd, -1));
}

void PlainTcp::Write(const Bytes& bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t sent = ::send(m_fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (sent <= 0) throw std::runtime_error("send");
        at += static_cast<std::size_t>(sent);
    }
}

bool PlainTcp::ReadExactly(std::size_t size, Bytes* bytes) {
    bytes->resize(size);
    std::size_t at = 0;
    while (at < size) {
        if (!WaitReadable(m_fd)) return false;
        const ssize_t got = ::recv(m_fd, bytes->data() + at, size - at, 0);
        if (got <= 0) return false;
        at += static_cast<std::size_t>(got);
    }
    return true;
}

bool PlainTcp::SeesEndOfStream() {
    std::uint8_t byte;
    while (WaitReadable(m_fd)) {
        const ssize_t got = ::recv(m_fd, &byte, 1, 0);
        if (got == 0) return true;
        if (got < 0) return errno == ECONNRESET;
    }
    return false;
}

PlainListener::PlainListener() {
    m_fd = BoundSocket(SOCK_STREAM, &m_port);
    ::listen(m_fd, 8);
}
PlainListener::~PlainListener() { ::close(m_fd); }

PlainTcp PlainListener::Accept() {
    if (!WaitReadable(m_fd)) throw std::runtime_error("accept");
    return PlainTcp(::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC));
}

ClosedPort::ClosedPort() { m_fd = BoundSocket(SOCK_STREAM, &m_port); }
ClosedPort::~ClosedPort() { ::close(m_fd); }

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    std::uint32_t state = 2463534242u + seed;
    for (auto& b : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = static_cast<std::uint8_t>(state);
    }
    return bytes;
}

} // namespace orv::test
