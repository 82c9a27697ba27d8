// One datagram link: its socket, flags, open flag and send queue, and the steps that the
// exports and the socket notifications run on it.
#pragma once

#include "linkcommon/link_library.h"
#include "linkcommon/send_queue.h"
#include "udplink/udplink.h"

#include <atomic>

namespace orv {

// Bytes a datagram link holds for sending beyond the datagram under way; past it, UdpSendTo
// refuses (datagrams may be lost anyway, and one link may serve many peers).
constexpr std::size_t kUdpSendHighWater = 1024 * 1024;
// Datagrams taken per readable notification, so one flooded link cannot starve the others
// on the same thread; the rest is read on the next notification.
constexpr int kUdpReadsPerEvent = 64;

class UdpLink : public RefCounted {
public:
    // Takes over fd, a bound socket; the link starts open.
    UdpLink(LinkLibraryBase& library, int fd, std::uint32_t linkFlags);

    void SetHandle(LinkHandle handle) { m_handle = handle; }
    LinkHandle Handle() const { return m_handle; }

    // Reports event 2 and asks for the socket conditions.
    void Announce();
    // Encodes and queues one datagram; false for a payload above the limit or a full queue.
    bool Queue(const std::uint8_t* data, std::uint32_t length, std::uint32_t address, std::uint16_t port,
               std::uint32_t sendFlags);
    // A socket notification at the library's window.
    void OnSocket(std::uint16_t condition, std::uint16_t error);
    // Closes the socket: event 3, reported twice. Nothing happens when already closed.
    void Close();
    // Asks for a receive buffer of bytes (beyond the system's limit when privileged);
    // returns the size granted, 0 on failure.
    int SetReceiveBuffer(int bytes);

private:
    void SendStep();
    void ReceiveStep(std::uint16_t error);
    void Rearm();
    void Notify(std::uint32_t code);

    LinkLibraryBase& m_library;
    std::atomic<int> m_fd;
    const std::uint32_t m_flags;
    std::atomic<bool> m_open{true};
    std::atomic<bool> m_refusing{false}; // the queue was full: logged once until it drains
    LinkHandle m_handle = 0;
    // A prefixed datagram is one byte longer than its payload; it leaves whole.
    SendQueue m_queue{kUdpMaxSend + 1, kUdpSendHighWater};
};

} // namespace orv
