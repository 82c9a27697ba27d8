// The frame of one message on a stream link: marker FD FD FD, a flag byte (2 = payload
// scrambled, 1 = marked, 0 = plain), the payload length as u32 little-endian, the payload.
#pragma once

#include "tcplink/tcplink.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

constexpr std::size_t kFrameHeaderSize = 8;
constexpr std::uint8_t kFrameMarkerByte = 0xFD;
constexpr std::size_t kFrameMarkerSize = 3;
constexpr std::uint8_t kFrameFlagPlain = 0;
constexpr std::uint8_t kFrameFlagMarked = 1;
constexpr std::uint8_t kFrameFlagScrambled = 2;

// Largest payload a frame may announce. The largest message of the system is a live-update
// file answer (85 bytes of packet head plus a whole program file of a few MB); 64 MiB leaves
// ample room for it while a hostile length cannot make a link hold gigabytes.
constexpr std::uint32_t kMaxStreamMessage = 64u * 1024 * 1024;

// Bytes handed to one send call; a writable notification sends until the socket would block.
constexpr std::size_t kStreamSendPiece = 64 * 1024;
// Bytes a stream link holds for sending beyond the message under way. A peer that stops
// reading while more is sent past this mark gets its link closed.
constexpr std::size_t kStreamSendHighWater = 1024 * 1024;
// Bytes taken from the socket per receive call, and receive calls per readable notification
// (so one flooded link cannot starve the others on the same thread).
constexpr std::size_t kStreamReceiveChunk = 10240;
constexpr int kStreamReadsPerEvent = 16;

std::uint8_t FrameFlagForSendFlags(std::uint32_t sendFlags);

// Header plus payload, the payload scrambled when sendFlags has kTcpSendScramble.
std::vector<std::uint8_t> BuildFrame(const std::uint8_t* payload, std::uint32_t size, std::uint32_t sendFlags);

} // namespace orv
