// Types shared by both link libraries: the link handle, the event codes and the event block
// that every "Udp Notify Msg" / "Tcp Notify Msg" notification carries in its wParam.
#pragma once

#include <cstdint>

// Marks the C-ABI exports of the link libraries (everything else in them is hidden).
#define ORV_LINK_API extern "C" __attribute__((visibility("default")))

namespace orv {

// Opaque 32-bit link handle from the library's handle table; 0 = no link.
using LinkHandle = std::uint32_t;

// Event codes (first field of LinkEvent).
constexpr std::uint32_t kLinkEventData = 1;         // datagram / stream data (detail in lParam)
constexpr std::uint32_t kLinkEventCreated = 2;      // socket bound
constexpr std::uint32_t kLinkEventClosed = 3;       // link closed
constexpr std::uint32_t kLinkEventAccepted = 4;     // stream only: link = the accepted link
constexpr std::uint32_t kLinkEventConnected = 5;    // stream only
constexpr std::uint32_t kLinkEventDisconnected = 6; // stream only: disconnected or connect failed

#pragma pack(push, 1)
struct LinkEvent {
    std::uint32_t code;
    LinkHandle link;
};
#pragma pack(pop)
static_assert(sizeof(LinkEvent) == 8);

} // namespace orv
