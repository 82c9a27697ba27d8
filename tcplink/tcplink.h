// libtcplink: stream links that carry framed messages. Sockets run non-blocking on the thread
// that called TcpInit; every event of a link reaches the client window given to TcpInit as
// the registered message "Tcp Notify Msg", sent synchronously on that thread:
//   wParam = LinkEvent*; lParam = TcpRecvInfo* (event 1), TcpAcceptInfo* (event 4), else null.
// The blocks and message buffers are valid only while the notification runs.
// Functions return non-zero for success, 0 for failure.
#pragma once

#include "linkcommon/link_event.h"
#include "platform/types.h"

#include <cstdint>

namespace orv {

constexpr const char* kTcpNotifyMsgName = "Tcp Notify Msg";

// TcpSend flags: bit 2 = scramble the payload (frame flag 2); bit 1 = frame flag 1.
constexpr std::uint32_t kTcpSendMark = 1;
constexpr std::uint32_t kTcpSendScramble = 2;

// Sub-codes of event 1.
constexpr std::uint32_t kTcpRecvArriving = 1; // once per readable notification, before reading
constexpr std::uint32_t kTcpRecvPartial = 2;  // bytes taken in, no message complete
constexpr std::uint32_t kTcpRecvComplete = 3; // one complete message (already unscrambled)

// TcpGetLinkAddr: which end.
constexpr int kTcpLocalEnd = 1;
constexpr int kTcpRemoteEnd = 2;

#pragma pack(push, 1)
struct TcpRecvInfo {
    std::uint32_t subCode;
    std::uint8_t* buffer;   // message buffer; null when no message is in progress
    std::uint32_t length;   // message length from the frame header
    std::uint32_t received; // bytes of the message so far (== length for sub-code 3)
};
struct TcpNotifyBlock {
    LinkEvent event;
    TcpRecvInfo info;
};
// Detail of event 4 (the event block names the accepted link).
struct TcpAcceptInfo {
    LinkHandle listenLink;
};
#pragma pack(pop)

} // namespace orv

// Registers "Tcp Notify Msg", remembers the client window and creates the hidden window
// "NotifyWnd" on the calling thread, which from then on runs the sockets. Returns the hidden
// window's handle, 0 on failure.
ORV_LINK_API int TcpInit(orv::HWND window);
ORV_LINK_API void TcpUninit();
// Binds a stream socket (address "0.0.0.0" or null = any, port 0 = any); reports event 2
// before returning. Returns the link handle, 0 when the socket cannot be bound.
ORV_LINK_API orv::LinkHandle TcpCreate(const char* localAddress, std::uint16_t localPort);
// Starts connecting a created (not connected) link to host (dotted quad or name); the outcome
// arrives as event 5 or 6. Returns 0 at once, without an event, in another state or for a
// host that cannot be resolved.
ORV_LINK_API int TcpConnect(orv::LinkHandle link, const char* host, std::uint16_t port);
ORV_LINK_API int TcpListen(orv::LinkHandle link, int backlog);
ORV_LINK_API int TcpIsConnect(orv::LinkHandle link);
// Frames and queues one message on a connected link (from any thread). Returns 1 when
// queued; 0 for an unknown or unconnected link or a message above the frame bound.
ORV_LINK_API int TcpSend(orv::LinkHandle link, const void* data, std::uint32_t length, std::uint32_t sendFlags);
// Connected link: back to "created" with event 6; the connection is kept until the next
// TcpConnect or TcpClose.
ORV_LINK_API int TcpDisconnect(orv::LinkHandle link);
// Closes the socket (event 6 first when connected, then event 3) and gives back the creator's
// reference; the handle is invalid afterwards. Returns 1, 0 for an unknown link.
ORV_LINK_API int TcpClose(orv::LinkHandle link);
// which = 1 local end, 2 remote end: IPv4 address and port in host byte order.
ORV_LINK_API int TcpGetLinkAddr(orv::LinkHandle link, int which, std::uint32_t* address, std::uint16_t* port);
