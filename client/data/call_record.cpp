#include "client/data/call_record.h"

#include "client/data/le_bytes.h"

namespace orv {

namespace {

constexpr std::size_t kSequenceAt = 0, kCallIdAt = 4, kMadeAt = 8, kTalkStartAt = 12, kEndAt = 16,
                      kCallerAt = 20, kCalledAt = 52, kConferenceAt = 84, kCallerFlagAt = 88,
                      kEndReasonAt = 92, kListTypeAt = 96, kEndKindAt = 100, kSeenAt = 104;

} // namespace

void EncodeCallRecord(const CallRecord& r, std::uint8_t* out) {
    WriteU32(out + kSequenceAt, r.sequence);
    WriteU32(out + kCallIdAt, r.callId);
    WriteU32(out + kMadeAt, r.madeTime);
    WriteU32(out + kTalkStartAt, r.talkStart);
    WriteU32(out + kEndAt, r.endTime);
    PutFixedText(out + kCallerAt, kCallNumberFieldSize, r.caller);
    PutFixedText(out + kCalledAt, kCallNumberFieldSize, r.called);
    WriteU32(out + kConferenceAt, r.conference);
    WriteU32(out + kCallerFlagAt, r.callerFlag);
    WriteU32(out + kEndReasonAt, static_cast<std::uint32_t>(r.endReason));
    WriteU32(out + kListTypeAt, r.listType);
    WriteU32(out + kEndKindAt, r.endKind);
    WriteU32(out + kSeenAt, r.seen);
}

CallRecord DecodeCallRecord(const std::uint8_t* in) {
    CallRecord r;
    r.sequence = ReadU32(in + kSequenceAt);
    r.callId = ReadU32(in + kCallIdAt);
    r.madeTime = ReadU32(in + kMadeAt);
    r.talkStart = ReadU32(in + kTalkStartAt);
    r.endTime = ReadU32(in + kEndAt);
    r.caller = GetFixedText(in + kCallerAt, kCallNumberFieldSize);
    r.called = GetFixedText(in + kCalledAt, kCallNumberFieldSize);
    r.conference = ReadU32(in + kConferenceAt);
    r.callerFlag = ReadU32(in + kCallerFlagAt);
    r.endReason = static_cast<std::int32_t>(ReadU32(in + kEndReasonAt));
    r.listType = ReadU32(in + kListTypeAt);
    r.endKind = ReadU32(in + kEndKindAt);
    r.seen = ReadU32(in + kSeenAt);
    return r;
}

} // namespace orv
