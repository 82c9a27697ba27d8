// One call record: 108 bytes, little-endian, the same fields in memory and in the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

constexpr std::size_t kCallRecordSize = 108;
constexpr std::size_t kCallNumberFieldSize = 32;

// List types.
constexpr std::uint32_t kReceivedCall = 0;
constexpr std::uint32_t kMissedCall = 1;
constexpr std::uint32_t kDialledCall = 2;
constexpr std::uint32_t kOfflineCall = 3;
constexpr std::uint32_t kCallListTypes = 4;
// End kinds: 0 while the call runs, 1..8 once it ended (6 for an offline call).
constexpr std::uint32_t kCallRunning = 0;
constexpr std::uint32_t kLastEndKind = 8;
constexpr std::uint32_t kOfflineEndKind = 6;

struct CallRecord {
    std::uint32_t sequence = 0;  // identifies the record for deletion; given at load or add
    std::uint32_t callId = 0;    // 0 when the call never got one
    std::uint32_t madeTime = 0;  // seconds since 1970-01-01 UTC, like the other times
    std::uint32_t talkStart = 0; // end time for a call that never talked; 0 while unknown
    std::uint32_t endTime = 0;
    std::string caller;          // at most 31 characters
    std::string called;
    std::uint32_t conference = 0; // 1 for a conference call
    std::uint32_t callerFlag = 0; // 1 when this client placed the call
    std::int32_t endReason = 0;
    std::uint32_t listType = kReceivedCall;
    std::uint32_t endKind = kCallRunning;
    std::uint32_t seen = 0; // 1 once shown in the call lists

    bool Finished() const { return endKind != kCallRunning; }
    bool operator==(const CallRecord&) const = default;
};

void EncodeCallRecord(const CallRecord& record, std::uint8_t* out); // 108 plain bytes
CallRecord DecodeCallRecord(const std::uint8_t* in);

} // namespace orv
