#include "client/data/call_record.h"

#include "wire/byte_order.h"
#include "wire/text_field.h"

namespace orv {

namespace {

constexpr std::size_t kSequenceAt = 0, kCallIdAt = 4, kMadeAt = 8, kTalkStartAt = 12, kEndAt = 16,
                      kCallerAt = 20, kCalledAt = 52, kConferenceAt = 84, kCallerFlagAt = 88,
                      kEndReasonAt = 92, kListTypeAt = 96, kEndKindAt = 100, kSeenAt = 104;

} // namespace

void EncodeCallRecord(const CallRecord& r, std::uint8_t* out) {
    PutU32LE(out + kSequenceAt, r.sequence);
    PutU32LE(out + kCallIdAt, r.callId);
    PutU32LE(out + kMadeAt, r.madeTime);
    PutU32LE(out + kTalkStartAt, r.talkStart);
    PutU32LE(out + kEndAt, r.endTime);
    PutTextField(out + kCallerAt, kCallNumberFieldSize, r.caller);
    PutTextField(out + kCalledAt, kCallNumberFieldSize, r.called);
    PutU32LE(out + kConferenceAt, r.conference);
    PutU32LE(out + kCallerFlagAt, r.callerFlag);
    PutU32LE(out + kEndReasonAt, static_cast<std::uint32_t>(r.endReason));
    PutU32LE(out + kListTypeAt, r.listType);
    PutU32LE(out + kEndKindAt, r.endKind);
    PutU32LE(out + kSeenAt, r.seen);
}

CallRecord DecodeCallRecord(const std::uint8_t* in) {
    CallRecord r;
    r.sequence = GetU32LE(in + kSequenceAt);
    r.callId = GetU32LE(in + kCallIdAt);
    r.madeTime = GetU32LE(in + kMadeAt);
    r.talkStart = GetU32LE(in + kTalkStartAt);
    r.endTime = GetU32LE(in + kEndAt);
    r.caller = GetTextField(in + kCallerAt, kCallNumberFieldSize);
    r.called = GetTextField(in + kCalledAt, kCallNumberFieldSize);
    r.conference = GetU32LE(in + kConferenceAt);
    r.callerFlag = GetU32LE(in + kCallerFlagAt);
    r.endReason = static_cast<std::int32_t>(GetU32LE(in + kEndReasonAt));
    r.listType = GetU32LE(in + kListTypeAt);
    r.endKind = GetU32LE(in + kEndKindAt);
    r.seen = GetU32LE(in + kSeenAt);
    return r;
}

} // namespace orv
