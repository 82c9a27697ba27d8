// libudplink: datagram links for the client. Sockets run non-blocking on the thread that
// called UdpInit; every event of a link reaches the client window given to UdpInit as the
// registered message "Udp Notify Msg", sent synchronously on that thread:
//   wParam = LinkEvent*; lParam = UdpRecvInfo* for event 1 (data), null otherwise.
// The blocks and the payload are valid only while the notification runs.
// Functions return non-zero for success, 0 for failure.
#pragma once

#include "linkcommon/link_event.h"
#include "platform/types.h"

#include <cstdint>

namespace orv {

constexpr const char* kUdpNotifyMsgName = "Udp Notify Msg";
constexpr std::uint32_t kUdpMaxSend = 16384; // largest payload UdpSendTo accepts

// Link flags (UdpCreate): 0 = plain datagrams; any non-zero value = every datagram carries a
// one-byte prefix; bit 2 = payloads may be scrambled. Send flags (UdpSendTo): bit 2 =
// scramble this payload (only when the link flags have bit 2 as well).
constexpr std::uint32_t kUdpFlagScramble = 2;

#pragma pack(push, 1)
// Detail of event 1: the sender and the payload (prefix removed, already unscrambled).
struct UdpRecvInfo {
    char address[16];           // dotted quad, NUL-padded
    std::uint16_t port;         // host byte order
    const std::uint8_t* data;
    std::uint32_t length;
};
// Event 1 is delivered as one block; lParam points at its info member.
struct UdpNotifyBlock {
    LinkEvent event;
    UdpRecvInfo info;
};
#pragma pack(pop)

} // namespace orv

// Registers "Udp Notify Msg", remembers the client window and creates the library's hidden
// window "NotifyWnd" on the calling thread, which from then on runs the sockets (its message
// loop must run). Returns the hidden window's handle, 0 on failure.
ORV_LINK_API int UdpInit(orv::HWND window);
// Destroys the hidden window (on the UdpInit thread). Links still open are not closed.
ORV_LINK_API void UdpUninit();
// Binds a datagram socket to address ("0.0.0.0" or null = any) and port (0 = any); reports
// event 2 before returning. Returns the link handle, 0 when the socket cannot be bound.
ORV_LINK_API orv::LinkHandle UdpCreate(const char* localAddress, std::uint16_t localPort,
                                       std::uint32_t linkFlags);
// Queues one datagram of at most 16384 bytes to a dotted-quad address and starts sending.
// Returns 1 when queued; 0 for an unknown link, a longer payload or an address that is not a
// dotted quad.
ORV_LINK_API int UdpSendTo(orv::LinkHandle link, const void* data, std::uint32_t length,
                           const char* address, std::uint16_t port, std::uint32_t sendFlags);
// Asks for a receive buffer of bytes for the link's socket, so bursts of datagrams are not
// lost while the thread is busy. Returns the size granted (as the system reports it), 0 for
// an unknown link.
ORV_LINK_API int UdpSetReceiveBuffer(orv::LinkHandle link, std::uint32_t bytes);
// Closes the socket (event 3 is reported twice) and gives back the creator's reference; the
// handle is invalid afterwards. Returns 1, 0 for an unknown link.
ORV_LINK_API int UdpClose(orv::LinkHandle link);
