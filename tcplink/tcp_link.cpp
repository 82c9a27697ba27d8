#include "tcplink/tcp_link.h"

#include "linkcommon/socket_address.h"

#include <cerrno>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv {

namespace {
// Connection outcomes that connect() may report at once; they arrive as event 6 like late ones.
bool IsConnectionOutcome(int error) {
    return error == ECONNREFUSED || error == ETIMEDOUT || error == ENETUNREACH || error == EHOSTUNREACH;
}
} // namespace

TcpLink::TcpLink(LinkLibrary<TcpLink>& library, int fd, State state, std::uint32_t bindAddress, std::uint16_t bindPort)
    : m_library(library), m_fd(fd), m_state(state), m_bindAddress(bindAddress), m_bindPort(bindPort),
      m_socketUsed(state == kConnected), m_wasConnected(state == kConnected) {}

void TcpLink::Announce() {
    Notify(kLinkEventCreated);
    Rearm();
}

bool TcpLink::Connect(std::uint32_t address, std::uint16_t port) {
    if (m_state.load() != kCreated) return false;
    // A socket that has connected (or tried to) cannot connect again: use a fresh one.
    if (m_socketUsed.load() && !ReplaceSocket()) return false;
    m_socketUsed = true;
    m_connecting = true;
    const sockaddr_in to = MakeSockAddr(address, port);
    const int fd = m_fd.load();
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        m_library.PostCondition(fd, FD_CONNECT, 0);
    } else if (errno != EINPROGRESS) {
        if (!IsConnectionOutcome(errno)) {
            m_connecting = false;
            return false;
        }
        m_library.PostCondition(fd, FD_CONNECT, static_cast<std::uint16_t>(errno));
    }
    Rearm();
    return true;
}

bool TcpLink::ReplaceSocket() {
    int fresh = OpenBoundSocket(true, m_bindAddress, m_bindPort);
    if (fresh < 0 && m_bindPort != 0) fresh = OpenBoundSocket(true, m_bindAddress, 0);
    if (fresh < 0) return false;
    m_queue.Clear([&] {
        const int old = m_fd.exchange(fresh);
        m_library.UnmapSocket(old);
        m_library.CloseSocketLater(old);
        m_library.MapSocket(fresh, m_handle);
        m_wasConnected = false;
        ++m_socketGeneration;
    });
    return true;
}

bool TcpLink::Listen(int backlog) {
    if (m_state.load() != kCreated || ::listen(m_fd.load(), backlog) != 0) return false;
    Rearm();
    return true;
}

bool TcpLink::Send(const std::uint8_t* data, std::uint32_t length, std::uint32_t sendFlags) {
    if (m_state.load() != kConnected || length > kMaxStreamMessage || (data == nullptr && length > 0)) return false;
    if (m_overflowed.load()) return false;
    switch (m_queue.Enqueue(OutgoingRecord{BuildFrame(data, length, sendFlags)})) {
    case Admission::SendNow: SendStep(); return true;
    case Admission::Queued: return true;
    case Admission::Full: break;
    }
    Overflow();
    return false;
}

void TcpLink::Overflow() {
    if (m_overflowed.exchange(true)) return;
    LinkLibraryBase::Log("tcplink: closing link %u: the peer does not read, %zu bytes wait to be sent", m_handle,
                         m_queue.BytesWaiting());
    // Closed on the thread that runs the sockets, as a peer's close would be: the caller may
    // be any thread and may hold locks of its own.
    m_queue.WithLock([this] {
        if (m_fd.load() >= 0) m_library.PostCondition(m_fd.load(), FD_CLOSE, 0);
    });
}

bool TcpLink::Disconnect() {
    int connected = kConnected;
    if (!m_state.compare_exchange_strong(connected, kCreated)) return false;
    Notify(kLinkEventDisconnected);
    return true;
}

void TcpLink::Close() {
    int connected = kConnected;
    if (m_state.compare_exchange_strong(connected, kCreated)) Notify(kLinkEventDisconnected);
    bool hadSocket = false;
    m_queue.Clear([&] {
        if (m_state.exchange(kNone) == kNone) return;
        hadSocket = true;
        const int fd = m_fd.exchange(-1);
        m_library.UnmapSocket(fd);
        m_library.CloseSocketLater(fd);
    });
    if (hadSocket) Notify(kLinkEventClosed);
}

bool TcpLink::GetAddress(int which, std::uint32_t* address, std::uint16_t* port) {
    if (address == nullptr || port == nullptr || (which != kTcpLocalEnd && which != kTcpRemoteEnd)) return false;
    bool found = false;
    m_queue.WithLock([&] {
        sockaddr_in end{};
        socklen_t size = sizeof end;
        const int fd = m_fd.load();
        if (fd < 0 || m_state.load() == kNone) return;
        auto* sa = reinterpret_cast<sockaddr*>(&end);
        if ((which == kTcpLocalEnd ? ::getsockname(fd, sa, &size) : ::getpeername(fd, sa, &size)) != 0) return;
        *address = ntohl(end.sin_addr.s_addr);
        *port = ntohs(end.sin_port);
        found = true;
    });
    return found;
}

void TcpLink::OnSocket(std::uint16_t condition, std::uint16_t error) {
    switch (condition) {
    case FD_READ:
        ReceiveStep(error);
        break;
    case FD_WRITE:
        if (error == 0) SendStep();
        break;
    case FD_ACCEPT:
        AcceptStep(error);
        break;
    case FD_CONNECT:
        ConnectStep(error);
        break;
    case FD_CLOSE:
        // Only a socket that carried a connection can be closed by its peer.
        if (m_wasConnected.load()) Close();
        break;
    default:
        break;
    }
}

void TcpLink::SendStep() {
    const bool blocked = m_queue.Drain(m_state.load() == kConnected, [this](const OutgoingRecord&,
                                                                              const std::uint8_t* piece,
                                                                              std::size_t size) -> SendAttempt {
        const ssize_t sent = ::send(m_fd.load(), piece, size, MSG_NOSIGNAL);
        if (sent > 0) return {SendOutcome::Sent, static_cast<std::size_t>(sent)};
        return {sent < 0 && WouldBlock(errno) ? SendOutcome::WouldBlock : SendOutcome::Failed, 0};
    });
    if (blocked) Rearm();
}

void TcpLink::ReceiveStep(std::uint16_t error) {
    if (error != 0 || m_state.load() == kNone) return;
    const std::uint32_t generation = m_socketGeneration.load();
    if (generation != m_reassemblerGeneration) {
        m_reassembler.Reset(); // bytes of an earlier connection never join this one's
        m_reassemblerGeneration = generation;
    }
    NotifyData(kTcpRecvArriving, m_reassembler.Buffer(), m_reassembler.ExpectedLength(), m_reassembler.Received());
    std::uint8_t chunk[kStreamReceiveChunk];
    // Stops when the client closes the link, or connects it anew, inside a notification.
    for (int reads = 0; reads < kStreamReadsPerEvent && m_state.load() != kNone &&
                        m_socketGeneration.load() == generation;
         ++reads) {
        const ssize_t size = ::recv(m_fd.load(), chunk, sizeof chunk, 0);
        if (size <= 0) break;
        for (std::size_t at = 0; at < static_cast<std::size_t>(size) && m_state.load() != kNone;) {
            const StreamReassembler::Step step = m_reassembler.Feed(chunk + at, static_cast<std::size_t>(size) - at);
            at += step.consumed;
            if (step.complete) {
                std::vector<std::uint8_t> message = m_reassembler.TakeMessage();
                std::uint8_t empty = 0; // an empty message still has a buffer
                const auto length = static_cast<std::uint32_t>(message.size());
                NotifyData(kTcpRecvComplete, message.empty() ? &empty : message.data(), length, length);
            } else {
                NotifyData(kTcpRecvPartial, m_reassembler.Buffer(), m_reassembler.ExpectedLength(),
                           m_reassembler.Received());
            }
        }
    }
}

void TcpLink::ConnectStep(std::uint16_t error) {
    if (!m_connecting.exchange(false)) return;
    if (error != 0) {
        if (m_state.load() == kCreated) Notify(kLinkEventDisconnected);
        return;
    }
    int created = kCreated;
    if (!m_state.compare_exchange_strong(created, kConnected)) return;
    m_wasConnected = true;
    Notify(kLinkEventConnected);
}

void TcpLink::AcceptStep(std::uint16_t error) {
    if (error != 0) return;
    const int fd = ::accept4(m_fd.load(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (!m_library.Watch(fd)) {
        AsyncSelect(fd, 0, 0, 0);
        ::close(fd);
        return;
    }
    const LinkHandle accepted = m_library.links.Add(Ref<TcpLink>::Adopt(new TcpLink(m_library, fd, kConnected, 0, 0)));
    m_library.MapSocket(fd, accepted);
    const LinkEvent event{kLinkEventAccepted, accepted};
    const TcpAcceptInfo info{m_handle};
    m_library.Notify(&event, &info);
}

void TcpLink::Rearm() {
    m_queue.WithLock([this] { m_library.Watch(m_fd.load()); });
}

void TcpLink::Notify(std::uint32_t code) {
    const LinkEvent event{code, m_handle};
    m_library.Notify(&event, nullptr);
}

void TcpLink::NotifyData(std::uint32_t subCode, std::uint8_t* buffer, std::uint32_t length, std::uint32_t received) {
    const TcpNotifyBlock block{{kLinkEventData, m_handle}, {subCode, buffer, length, received}};
    m_library.Notify(&block.event, &block.info);
}

} // namespace orv
