// One registration with the timer manager: a pending request (with the manager's own copy of
// the packet) or a one-shot / call timer.
#pragma once

#include "wire/byte_order.h"
#include "wire/packet_header.h"

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

struct TimerEntry {
    std::vector<std::uint8_t> packet; // own copy; empty for entries without a packet
    std::int32_t retries = 0;         // resends still allowed; negative = unlimited
    std::uint32_t startTick = 0;      // registration or last (re)send
    std::uint32_t interval = 0;       // ms between sends, or until the time-out
    std::uint8_t kind = 0;            // TimerKind
    CTimerOwner* owner = nullptr;
    std::uint32_t delay = 0;          // ms before the first send of a request; 0 = already sent

    std::uint32_t Length() const { return static_cast<std::uint32_t>(packet.size()); }
    bool HasHeader() const { return packet.size() >= kPacketHeaderSize; }
    // Header fields of the copy (wire/packet_header.h); 0 when it is shorter than a header.
    std::uint16_t PktType() const { return HasHeader() ? GetU16LE(packet.data()) : 0; }
    std::uint32_t SeqNum() const { return HasHeader() ? GetU32LE(packet.data() + 4) : 0; }
    // A resend goes out under a new sequence number; answers must then carry that one.
    void SetSeqNum(std::uint32_t seqNum) {
        if (HasHeader()) SetPacketSeqNum(packet.data(), seqNum);
    }

    // The manager's own bookkeeping: unlinked during a scan pass, erased when the pass ends.
    bool removed = false;
};

} // namespace orv
