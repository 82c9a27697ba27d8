// The conference handler's events to its owner window (beside the talk handler's codes), and
// the heap blocks they carry: a block is made with new[] and the final receiver frees it
// with delete[].
//   15 seat status entry (47 bytes: the ConfStatus layout of one seat)
//   18 member alerting   (38 bytes: number[32], EndpointID u32, channel u16)
//   19 member connected  (46 bytes: the same and media values 1..4, u16 each)
//   20 member left       (42 bytes: number, EndpointID, channel, reason u32)
//   21 member invited    (38 bytes, as 18)
// The user-server handler passes them to the conference window as types 16, 20, 21, 22, 15.
#pragma once

#include "wire/conf_messages.h"

#include <cstddef>
#include <cstdint>

namespace orv {

enum ConfEvent : int {
    kConfEventStatus = 15,
    kConfEventAlert = 18,
    kConfEventConnect = 19,
    kConfEventDisconnect = 20,
    kConfEventInvite = 21,
};

// The types the conference window receives (WM_USER+5) for them.
enum ConfWindowEvent : int {
    kConfWindowInvite = 15,
    kConfWindowStatus = 16,
    kConfWindowInviteFailed = 17, // from the user-server handler: number[32], reason u32
    kConfWindowAlert = 20,
    kConfWindowConnect = 21,
    kConfWindowDisconnect = 22,
};

constexpr std::size_t kConfInviteFailedBlockSize = 36;

// Whether a handler code carries a heap block.
bool ConfEventHasBlock(int handlerCode);
// A new[] block for a handler code (one of ConfEvent).
std::uint8_t* NewConfEventBlock(int handlerCode, const ConfSeatEntry& member);
// Reads the block of a conference window type back (the status entry for 16, the member for
// 15, 20, 21 and 22). False for another type or a null block.
bool ReadConfWindowBlock(int windowType, const std::uint8_t* block, ConfSeatEntry* member);

} // namespace orv
