#include "udplink/udp_link.h"

#include "linkcommon/socket_address.h"
#include "udplink/datagram_codec.h"

#include <cerrno>
#include <sys/socket.h>

namespace orv {

UdpLink::UdpLink(LinkLibraryBase& library, int fd, std::uint32_t linkFlags)
    : m_library(library), m_fd(fd), m_flags(linkFlags) {}

void UdpLink::Announce() {
    Notify(kLinkEventCreated);
    Rearm();
}

bool UdpLink::Queue(const std::uint8_t* data, std::uint32_t length, std::uint32_t address, std::uint16_t port,
                    std::uint32_t sendFlags) {
    if (length > kUdpMaxSend || (data == nullptr && length > 0)) return false;
    OutgoingRecord record{EncodeDatagram(m_flags, sendFlags, data, length), 0, address, port};
    switch (m_queue.Enqueue(std::move(record))) {
    case Admission::SendNow: SendStep(); return true;
    case Admission::Queued: return true;
    case Admission::Full: break;
    }
    if (!m_refusing.exchange(true)) {
        LinkLibraryBase::Log("udplink: link %u refuses datagrams: %zu bytes wait to be sent", m_handle,
                             m_queue.BytesWaiting());
    }
    return false;
}

void UdpLink::OnSocket(std::uint16_t condition, std::uint16_t error) {
    switch (condition) {
    case FD_READ:
        ReceiveStep(error);
        break;
    case FD_WRITE:
        SendStep();
        break;
    case FD_CLOSE:
        Close();
        break;
    default:
        break;
    }
}

void UdpLink::SendStep() {
    const bool blocked = m_queue.Drain(m_open.load(), [this](const OutgoingRecord& record, const std::uint8_t* piece,
                                                                std::size_t size) -> SendAttempt {
        const sockaddr_in to = MakeSockAddr(record.address, record.port);
        const ssize_t sent =
            ::sendto(m_fd.load(), piece, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent >= 0) return {SendOutcome::Sent, static_cast<std::size_t>(sent)};
        return {WouldBlock(errno) ? SendOutcome::WouldBlock : SendOutcome::Failed, 0};
    });
    if (blocked) {
        Rearm();
    } else {
        m_refusing = false;
    }
}

void UdpLink::ReceiveStep(std::uint16_t error) {
    if (error != 0) return;
    // Room for one byte more than the longest datagram, so a longer one shows as truncated.
    std::uint8_t buffer[kUdpMaxSend + 2];
    const std::size_t longest = kUdpMaxSend + (m_flags != 0 ? 1 : 0);
    for (int reads = 0; reads < kUdpReadsPerEvent && m_open.load(); ++reads) {
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t size = ::recvfrom(m_fd.load(), buffer, sizeof buffer, MSG_TRUNC,
                                        reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (size <= 0) break;
        if (static_cast<std::size_t>(size) > longest) continue; // dropped whole rather than delivered cut
        UdpNotifyBlock block{};
        if (MakeDatagramNotification(m_handle, m_flags, buffer, static_cast<std::size_t>(size), from.sin_addr.s_addr,
                                     ntohs(from.sin_port), &block)) {
            m_library.Notify(&block.event, &block.info);
        }
    }
}

void UdpLink::Close() {
    if (!m_open.exchange(false)) return;
    m_queue.Clear([this] {
        const int fd = m_fd.exchange(-1);
        m_library.UnmapSocket(fd);
        m_library.CloseSocketLater(fd);
    });
    Notify(kLinkEventClosed);
    Notify(kLinkEventClosed);
}

int UdpLink::SetReceiveBuffer(int bytes) {
    const int fd = m_fd.load();
    if (fd < 0 || bytes <= 0) return 0;
    int granted = 0;
    socklen_t size = sizeof granted;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    if (getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &size) != 0) return 0;
    // The system caps the plain request; a privileged process may go beyond its cap. The
    // size read back counts the kernel's bookkeeping too (twice the request).
    if (granted < bytes) {
        setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes);
        getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &size);
    }
    return granted;
}

void UdpLink::Rearm() {
    m_queue.WithLock([this] { m_library.Watch(m_fd.load()); });
}

void UdpLink::Notify(std::uint32_t code) {
    const LinkEvent event{code, m_handle};
    m_library.Notify(&event, nullptr);
}

} // namespace orv
