#include "client/userserver/option_packets.h"

#include <cstring>

namespace orv {

namespace {

constexpr std::size_t kForwardNumberField = 32;
constexpr std::size_t kSetPasswordSize = kPacketHeaderSize + kNumberField + 2 * kPasswordField;
constexpr std::size_t kSetBindSize = kPacketHeaderSize + kNumberField + kPasswordField + 1;
constexpr std::size_t kCallForwardSize = kPacketHeaderSize + 1 + 4 + 4 + 2 * kNumberField;

std::vector<std::uint8_t> NewPacket(std::uint16_t type, std::size_t size) {
    std::vector<std::uint8_t> packet(size, 0);
    WritePacketHeader(packet.data(), PacketHeader{type, static_cast<std::uint16_t>(size), 0});
    return packet;
}

// The body of a request copy of the given type and exact size, or null.
const std::uint8_t* RequestBody(const std::uint8_t* packet, std::size_t size, std::uint16_t type,
                                std::size_t expected) {
    PacketHeader h;
    if (!ReadPacketHeader(packet, size, &h) || h.type != type || size != expected) return nullptr;
    return packet + kPacketHeaderSize;
}

// The result byte, and the reason that follows a refusal.
bool ReadResult(ByteReader& in, std::uint8_t* result, std::int32_t* reason) {
    *result = in.U8();
    if (in.Ok() && *result == kResultFailure) *reason = in.I32LE();
    return in.Ok();
}

} // namespace

void PackForwardRecord(const ForwardRecord& r, std::uint8_t* out) {
    out[0] = r.flag;
    PutTextField(out + 1, kForwardNumberField, r.offline.c_str());
    PutTextField(out + 33, kForwardNumberField, r.busy.c_str());
    PutTextField(out + 65, kForwardNumberField, r.noAnswer.c_str());
    PutTextField(out + 97, kForwardNumberField, r.always.c_str());
}

ForwardRecord UnpackForwardRecord(const std::uint8_t* in) {
    ByteReader r(in, kForwardRecordSize);
    ForwardRecord record;
    record.flag = r.U8();
    // A field without a zero byte is read up to one less than its size, like every number.
    record.offline = r.Text(kForwardNumberField).substr(0, kForwardNumberField - 1);
    record.busy = r.Text(kForwardNumberField).substr(0, kForwardNumberField - 1);
    record.noAnswer = r.Text(kForwardNumberField).substr(0, kForwardNumberField - 1);
    record.always = r.Text(kForwardNumberField).substr(0, kForwardNumberField - 1);
    return record;
}

bool ParseOfflineCallsAnswer(const std::uint8_t* body, std::size_t size, OfflineCallsAnswer* answer) {
    ByteReader in(body, size);
    const std::uint16_t count = in.U16LE();
    if (!in.Ok()) return false;
    answer->notReady = count == kListNotReady;
    answer->calls.clear();
    if (answer->notReady) return true;
    if (in.Remaining() / kOfflineCallSize < count) return false; // a count the body cannot hold
    for (std::uint16_t i = 0; i < count; ++i) {
        OfflineCall call;
        in.U8();
        call.caller = in.Text(kNumberField).substr(0, kNumberField - 1);
        call.called = in.Text(kNumberField).substr(0, kNumberField - 1);
        call.time = in.U32LE();
        call.kind = in.U8();
        answer->calls.push_back(std::move(call));
    }
    return in.Ok();
}

bool ParseSupportAnswer(const std::uint8_t* body, std::size_t size, SupportAnswer* answer) {
    ByteReader in(body, size);
    const std::uint16_t count = in.U16LE();
    if (!in.Ok()) return false;
    answer->notReady = count == kListNotReady;
    answer->entries.clear();
    if (answer->notReady) return true;
    if (in.Remaining() / kSupportEntrySize < count) return false;
    answer->entries.resize(count);
    for (SupportEntry& entry : answer->entries) std::memcpy(entry.data(), in.Bytes(kSupportEntrySize), kSupportEntrySize);
    return in.Ok();
}

namespace {
constexpr std::size_t kSupportField = kSupportEntrySize / 2;
std::string SupportField(const SupportEntry& entry, std::size_t offset) {
    const char* text = reinterpret_cast<const char*>(entry.data()) + offset;
    return std::string(text, strnlen(text, kSupportField));
}
} // namespace

std::string SupportEntryNumber(const SupportEntry& entry) { return SupportField(entry, 0); }
std::string SupportEntryText(const SupportEntry& entry) { return SupportField(entry, kSupportField); }

bool ParseForwardAnswer(const std::uint8_t* body, std::size_t size, ForwardAnswer* answer) {
    ByteReader in(body, size);
    if (!ReadResult(in, &answer->result, &answer->reason)) return false;
    if (answer->result == kResultSuccess) {
        const std::uint8_t* record = in.Bytes(kForwardRecordSize);
        if (!in.Ok()) return false;
        answer->record = UnpackForwardRecord(record);
    }
    return true;
}

bool ParseFileUpdateAnswer(const std::uint8_t* body, std::size_t size, FileUpdateAnswer* answer) {
    ByteReader in(body, size);
    if (!ReadResult(in, &answer->result, &answer->reason)) return false;
    if (answer->result == kResultSuccess) {
        in.U32LE(); // not used by the client
        answer->mode = in.U32LE();
        answer->address = in.U32LE();
        answer->port = in.U16LE();
    }
    return in.Ok();
}

bool ParseAccountServAnswer(const std::uint8_t* body, std::size_t size, AccountServAnswer* answer) {
    ByteReader in(body, size);
    if (!ReadResult(in, &answer->result, &answer->reason)) return false;
    if (answer->result == kResultSuccess) {
        in.U32LE(); // not used by the client
        answer->address = in.U32LE();
        answer->port = in.U16LE();
    }
    return in.Ok();
}

std::vector<std::uint8_t> BuildSetForwardRequest(const ForwardRecord& record) {
    std::vector<std::uint8_t> packet = NewPacket(PKT_SET_FORWARD, kPacketHeaderSize + kForwardRecordSize);
    PackForwardRecord(record, packet.data() + kPacketHeaderSize);
    return packet;
}

std::vector<std::uint8_t> BuildSetPasswordRequest(const char* number, const char* oldPassword,
                                                  const char* newPassword) {
    std::vector<std::uint8_t> packet = NewPacket(PKT_SET_PASSWORD, kSetPasswordSize);
    std::uint8_t* p = packet.data() + kPacketHeaderSize;
    PutTextField(p, kNumberField, number);
    PutTextField(p + kNumberField, kPasswordField, oldPassword);
    PutTextField(p + kNumberField + kPasswordField, kPasswordField, newPassword);
    return packet;
}

std::vector<std::uint8_t> BuildSetBindRequest(const char* number, const char* password, char option) {
    std::vector<std::uint8_t> packet = NewPacket(PKT_SET_BIND_OPT, kSetBindSize);
    std::uint8_t* p = packet.data() + kPacketHeaderSize;
    PutTextField(p, kNumberField, number);
    PutTextField(p + kNumberField, kPasswordField, password);
    p[kNumberField + kPasswordField] = static_cast<std::uint8_t>(option);
    return packet;
}

std::vector<std::uint8_t> BuildCallForward(int type, std::uint32_t callId, std::uint32_t servId,
                                           const std::string& caller, const std::string& forwardTo) {
    std::vector<std::uint8_t> packet = NewPacket(PKT_CALL_FORWARD, kCallForwardSize);
    std::uint8_t* p = packet.data() + kPacketHeaderSize;
    p[0] = static_cast<std::uint8_t>(type);
    PutU32LE(p + 1, callId);
    PutU32LE(p + 5, servId);
    PutTextField(p + 9, kNumberField, caller.c_str());
    PutTextField(p + 9 + kNumberField, kNumberField, forwardTo.c_str());
    return packet;
}

bool ParseSetForwardRequest(const std::uint8_t* packet, std::size_t size, ForwardRecord* record) {
    const std::uint8_t* body = RequestBody(packet, size, PKT_SET_FORWARD, kPacketHeaderSize + kForwardRecordSize);
    if (body == nullptr) return false;
    *record = UnpackForwardRecord(body);
    return true;
}

bool ParseSetPasswordNew(const std::uint8_t* packet, std::size_t size, std::string* newPassword) {
    const std::uint8_t* body = RequestBody(packet, size, PKT_SET_PASSWORD, kSetPasswordSize);
    if (body == nullptr) return false;
    ByteReader in(body + kNumberField + kPasswordField, kPasswordField);
    *newPassword = in.TextFull(kPasswordField);
    return true;
}

bool ParseSetBindOption(const std::uint8_t* packet, std::size_t size, char* option) {
    const std::uint8_t* body = RequestBody(packet, size, PKT_SET_BIND_OPT, kSetBindSize);
    if (body == nullptr) return false;
    *option = static_cast<char>(body[kNumberField + kPasswordField]);
    return true;
}

} // namespace orv
