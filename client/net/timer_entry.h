// One registration with the timer manager: a pending request (with the manager's own copy of
// the packet) or a one-shot / call timer.
#pragma once

#include <cstdint>
#include <vector>

namespace orv {

class CTimerOwner;

enum TimerKind : std::uint8_t {
    kTimerPendingRequest = 1, // resent while retries remain, then OnMsgTimeOut
    kTimerOneShot = 2,        // OnTimer
    kTimerChannel = 3,        // OnChannelTimer (media-channel announcement repeat)
    kTimerAudioProbe = 4,     // OnAudioProbeTimer (audio path probe repeat)
    kTimerVideoProbe = 5,     // OnVideoProbeTimer (video path probe repeat)
};

// Server packet header fields, little-endian: u16 PktType at 0, u16 PktLen at 2, u32 SeqNum at 4.
constexpr std::uint32_t kPacketHeaderBytes = 8;

struct TimerEntry {
    std::vector<std::uint8_t> packet; // own copy; empty for entries without a packet
    std::int32_t retries = 0;         // resends still allowed; negative = unlimited
    std::uint32_t startTick = 0;      // registration or last (re)send
    std::uint32_t interval = 0;       // ms between sends, or until the time-out
    std::uint8_t kind = 0;            // TimerKind
    CTimerOwner* owner = nullptr;
    std::uint32_t delay = 0;          // ms before the first send of a request; 0 = already sent

    std::uint32_t Length() const { return static_cast<std::uint32_t>(packet.size()); }
    bool HasHeader() const { return packet.size() >= kPacketHeaderBytes; }
    // Header fields of the copy; 0 when the copy is shorter than a header.
    std::uint16_t PktType() const {
        return HasHeader() ? static_cast<std::uint16_t>(packet[0] | (packet[1] << 8)) : 0;
    }
    std::uint32_t SeqNum() const {
        if (!HasHeader()) return 0;
        return static_cast<std::uint32_t>(packet[4]) | (static_cast<std::uint32_t>(packet[5]) << 8) |
               (static_cast<std::uint32_t>(packet[6]) << 16) | (static_cast<std::uint32_t>(packet[7]) << 24);
    }
    // A resend goes out under a new sequence number; answers must then carry that one.
    void SetSeqNum(std::uint32_t seqNum) {
        if (!HasHeader()) return;
        for (int i = 0; i < 4; ++i) packet[4 + i] = static_cast<std::uint8_t>(seqNum >> (8 * i));
    }

    // The manager's own bookkeeping: unlinked during a scan pass, erased when the pass ends.
    bool removed = false;
};

} // namespace orv
