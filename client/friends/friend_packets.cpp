#include "client/friends/friend_packets.h"

#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <algorithm>

namespace orv {

namespace {

// A packet of the given type with a zeroed body of bodySize bytes and its length set.
std::vector<std::uint8_t> NewPacket(std::uint16_t type, std::size_t bodySize) {
    std::vector<std::uint8_t> packet(kPacketHeaderSize + bodySize, 0);
    PacketHeader header;
    header.type = type;
    header.length = static_cast<std::uint16_t>(packet.size());
    WritePacketHeader(packet.data(), header);
    return packet;
}

std::vector<std::uint8_t> RecordIdPacket(std::uint16_t type, std::uint32_t recordId) {
    std::vector<std::uint8_t> packet = NewPacket(type, 4);
    PutU32LE(packet.data() + kPacketHeaderSize, recordId);
    return packet;
}

// An answer of result byte and, for a failure, the i32 reason; successSize extra body bytes
// follow a success (filled by the caller).
std::vector<std::uint8_t> ResultPacket(std::uint16_t type, std::uint8_t result, std::int32_t reason,
                                       std::size_t successSize) {
    const std::size_t extra = result == kResultSuccess ? successSize
                              : result == kResultFailure ? 4
                                                               : 0;
    std::vector<std::uint8_t> packet = NewPacket(type, 1 + extra);
    packet[kPacketHeaderSize] = result;
    if (result == kResultFailure) PutU32LE(packet.data() + kPacketHeaderSize + 1, static_cast<std::uint32_t>(reason));
    return packet;
}

// Reads the result byte and, for a failure, the reason. Returns false when the body is too
// short for them; *success tells whether success data follows.
bool ReadResult(ByteReader& in, std::uint8_t* result, std::int32_t* reason, bool* success) {
    *result = in.U8();
    *success = in.Ok() && *result == kResultSuccess;
    if (in.Ok() && *result == kResultFailure) *reason = in.I32LE();
    return in.Ok();
}

} // namespace

std::vector<std::uint8_t> BuildFriendIndexRequest() { return NewPacket(PKT_FRIEND_INDEX, 0); }

std::vector<std::uint8_t> BuildFriendDetailRequest(std::uint32_t recordId) {
    return RecordIdPacket(PKT_FRIEND_DETAIL, recordId);
}

std::vector<std::uint8_t> BuildSetFriendRequest(const FriendEntry& entry) {
    std::vector<std::uint8_t> packet = NewPacket(PKT_SET_FRIEND, kFriendEntrySize);
    PackFriendRecord(entry.record, packet.data() + kPacketHeaderSize);
    packet[kPacketHeaderSize + kFriendRecordSize] = entry.status;
    return packet;
}

std::vector<std::uint8_t> BuildDelFriendRequest(std::uint32_t recordId) {
    return RecordIdPacket(PKT_DEL_FRIEND, recordId);
}

bool ParseRecordIdRequest(const std::uint8_t* body, std::size_t size, std::uint32_t* recordId) {
    ByteReader in(body, size);
    const std::uint32_t id = in.U32LE();
    if (!in.Ok()) return false;
    *recordId = id;
    return true;
}

bool ParseSetFriendRequest(const std::uint8_t* body, std::size_t size, FriendEntry* entry) {
    ByteReader in(body, size);
    const std::uint8_t* record = in.Bytes(kFriendRecordSize);
    const std::uint8_t status = in.U8();
    if (!in.Ok()) return false;
    entry->record = UnpackFriendRecord(record);
    entry->status = status;
    return true;
}

bool ParseFriendIndexAnswer(const std::uint8_t* body, std::size_t size, FriendIndexAnswer* answer) {
    ByteReader in(body, size);
    const std::uint16_t count = in.U16LE();
    if (!in.Ok()) return false;
    FriendIndexAnswer parsed;
    if (count == kFriendIndexNotReady) {
        parsed.notReady = true;
    } else {
        // The count is only believed when the identifiers it announces are all there.
        if (in.Remaining() / 4 < count) return false;
        parsed.recordIds.reserve(count);
        for (std::uint16_t i = 0; i < count; ++i) parsed.recordIds.push_back(in.U32LE());
    }
    *answer = std::move(parsed);
    return true;
}

bool ParseFriendDetailAnswer(const std::uint8_t* body, std::size_t size, FriendDetailAnswer* answer) {
    ByteReader in(body, size);
    FriendDetailAnswer parsed;
    bool success = false;
    if (!ReadResult(in, &parsed.result, &parsed.reason, &success)) return false;
    if (success) {
        const std::uint8_t* record = in.Bytes(kFriendRecordSize);
        parsed.entry.status = in.U8();
        if (!in.Ok()) return false;
        parsed.entry.record = UnpackFriendRecord(record);
    }
    *answer = std::move(parsed);
    return true;
}

bool ParseSetFriendAnswer(const std::uint8_t* body, std::size_t size, SetFriendAnswer* answer) {
    ByteReader in(body, size);
    SetFriendAnswer parsed;
    bool success = false;
    if (!ReadResult(in, &parsed.result, &parsed.reason, &success)) return false;
    if (success) parsed.recordId = in.U32LE();
    if (!in.Ok()) return false;
    *answer = parsed;
    return true;
}

bool ParseDelFriendAnswer(const std::uint8_t* body, std::size_t size, DelFriendAnswer* answer) {
    ByteReader in(body, size);
    DelFriendAnswer parsed;
    bool success = false;
    if (!ReadResult(in, &parsed.result, &parsed.reason, &success)) return false;
    *answer = parsed;
    return true;
}

bool ParseFriendStatusPush(const std::uint8_t* body, std::size_t size, FriendStatusPush* push) {
    ByteReader in(body, size);
    FriendStatusPush parsed;
    parsed.status = in.U8();
    parsed.recordId = in.U32LE();
    if (!in.Ok()) return false;
    *push = parsed;
    return true;
}

std::vector<std::uint8_t> BuildFriendIndexAnswer(const FriendIndexAnswer& answer) {
    if (answer.notReady) {
        std::vector<std::uint8_t> packet = NewPacket(PKT_FRIEND_INDEX, 2);
        PutU16LE(packet.data() + kPacketHeaderSize, kFriendIndexNotReady);
        return packet;
    }
    constexpr std::size_t kMaxIds = (0xFFFF - kPacketHeaderSize - 2) / 4;
    if (answer.recordIds.size() > kMaxIds) return {};
    std::vector<std::uint8_t> packet = NewPacket(PKT_FRIEND_INDEX, 2 + 4 * answer.recordIds.size());
    std::uint8_t* p = packet.data() + kPacketHeaderSize;
    PutU16LE(p, static_cast<std::uint16_t>(answer.recordIds.size()));
    for (std::size_t i = 0; i < answer.recordIds.size(); ++i) PutU32LE(p + 2 + 4 * i, answer.recordIds[i]);
    return packet;
}

std::vector<std::uint8_t> BuildFriendDetailAnswer(const FriendDetailAnswer& answer) {
    std::vector<std::uint8_t> packet = ResultPacket(PKT_FRIEND_DETAIL, answer.result, answer.reason, kFriendEntrySize);
    if (answer.result == kResultSuccess) {
        PackFriendRecord(answer.entry.record, packet.data() + kPacketHeaderSize + 1);
        packet.back() = answer.entry.status;
    }
    return packet;
}

std::vector<std::uint8_t> BuildSetFriendAnswer(const SetFriendAnswer& answer) {
    std::vector<std::uint8_t> packet = ResultPacket(PKT_SET_FRIEND, answer.result, answer.reason, 4);
    if (answer.result == kResultSuccess) PutU32LE(packet.data() + kPacketHeaderSize + 1, answer.recordId);
    return packet;
}

std::vector<std::uint8_t> BuildDelFriendAnswer(const DelFriendAnswer& answer) {
    return ResultPacket(PKT_DEL_FRIEND, answer.result, answer.reason, 0);
}

std::vector<std::uint8_t> BuildFriendStatusPush(const FriendStatusPush& push) {
    std::vector<std::uint8_t> packet = NewPacket(PKT_FRIEND_STATUS, 5);
    packet[kPacketHeaderSize] = push.status;
    PutU32LE(packet.data() + kPacketHeaderSize + 1, push.recordId);
    return packet;
}

bool DelFriendAnswerRemoves(const DelFriendAnswer& answer) {
    return answer.result == kResultSuccess ||
           (answer.result == kResultFailure && answer.reason == kDelFriendReasonGone);
}

std::vector<std::uint32_t> FriendDetailFetchOrder(const std::vector<std::uint32_t>& indexIds) {
    return std::vector<std::uint32_t>(indexIds.rbegin(), indexIds.rend());
}

} // namespace orv
