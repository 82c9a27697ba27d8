#include "wire/conf_messages.h"

#include "wire/byte_order.h"
#include "wire/byte_reader.h"
#include "wire/packet_header.h"
#include "wire/text_field.h"

namespace orv {

namespace {

constexpr std::size_t kNumber = 32;
constexpr std::size_t kBodyAt = kPacketHeaderSize + 4; // after the header and the CallID

// The header and CallID of a conference stream message of exactly the given size.
bool CheckMessage(const std::uint8_t* packet, std::size_t size, std::size_t expected) {
    PacketHeader h;
    return packet != nullptr && size == expected && ReadPacketHeader(packet, size, &h) && h.length == size;
}

} // namespace

bool ParseConfEstablish(const std::uint8_t* body, std::size_t size, ConfEstablish* n) {
    ByteReader r(body, size);
    n->result = r.U8();
    n->callId = r.U32LE();
    n->reason = static_cast<std::int32_t>(n->callId);
    n->chairman = r.Text(kNumber);
    n->confId = r.Text(kNumber);
    n->invited = r.Text(kNumber);
    n->role = r.U8();
    n->servId = r.U32LE();
    n->servIP = r.U32LE();
    n->servPort = r.U16LE();
    return r.Ok();
}

std::vector<std::uint8_t> BuildConfEstablish(std::uint32_t seq, const ConfEstablish& n) {
    ByteWriter w = StartPacket(kPktConfEstablish, seq);
    w.U8(n.result);
    w.U32LE(n.result == 0 ? n.callId : static_cast<std::uint32_t>(n.reason));
    w.Text(n.chairman, kNumber);
    w.Text(n.confId, kNumber);
    w.Text(n.invited, kNumber);
    w.U8(n.role);
    w.U32LE(n.servId);
    w.U32LE(n.servIP);
    w.U16LE(n.servPort);
    return FinishPacket(w);
}

std::vector<std::uint8_t> BuildConfRequest(std::uint32_t seq, const std::string& own) {
    ByteWriter w = StartPacket(kPktConfRequest, seq);
    w.Text(own, kNumber);
    return FinishPacket(w);
}

bool ParseConfRequest(const std::uint8_t* body, std::size_t size, std::string* own) {
    if (size != kConfRequestSize - kPacketHeaderSize) return false;
    ByteReader r(body, size);
    *own = r.Text(kNumber);
    return r.Ok();
}

std::vector<std::uint8_t> BuildConfInvite(std::uint32_t seq, const ConfInviteRequest& invite) {
    ByteWriter w = StartPacket(kPktConfInvite, seq);
    w.U32LE(invite.servId);
    w.U32LE(invite.callId);
    w.Text(invite.own, kNumber);
    w.Text(invite.invited, kNumber);
    return FinishPacket(w);
}

bool ParseConfInvite(const std::uint8_t* body, std::size_t size, ConfInviteRequest* invite) {
    if (size != kConfInviteSize - kPacketHeaderSize) return false;
    ByteReader r(body, size);
    invite->servId = r.U32LE();
    invite->callId = r.U32LE();
    invite->own = r.Text(kNumber);
    invite->invited = r.Text(kNumber);
    return r.Ok();
}

void PutConfSeatEntry(std::uint8_t* at, const ConfSeatEntry& seat) {
    at[0] = seat.status;
    PutTextField(at + 1, kNumber, seat.number);
    PutU32LE(at + 33, seat.endpoint);
    PutU16LE(at + 37, seat.channel);
    for (int i = 0; i < 4; ++i) PutU16LE(at + 39 + 2 * i, seat.media[i]);
}

ConfSeatEntry GetConfSeatEntry(const std::uint8_t* at) {
    ConfSeatEntry seat;
    seat.status = at[0];
    seat.number = GetTextField(at + 1, kNumber);
    seat.endpoint = GetU32LE(at + 33);
    seat.channel = GetU16LE(at + 37);
    for (int i = 0; i < 4; ++i) seat.media[i] = GetU16LE(at + 39 + 2 * i);
    return seat;
}

std::vector<std::uint8_t> BuildConfStatus(std::uint32_t seq, std::uint32_t callId,
                                          const std::array<ConfSeatEntry, kConfSeats>& seats) {
    std::vector<std::uint8_t> packet(kConfStatusSize, 0);
    WritePacketHeader(packet.data(), PacketHeader{kPktConfStatus, static_cast<std::uint16_t>(kConfStatusSize), seq});
    PutU32LE(packet.data() + kPacketHeaderSize, callId);
    for (int i = 0; i < kConfSeats; ++i) PutConfSeatEntry(packet.data() + kBodyAt + i * kConfSeatEntrySize, seats[i]);
    return packet;
}

bool ParseConfStatus(const std::uint8_t* packet, std::size_t size, std::array<ConfSeatEntry, kConfSeats>* seats) {
    if (!CheckMessage(packet, size, kConfStatusSize)) return false;
    for (int i = 0; i < kConfSeats; ++i) (*seats)[i] = GetConfSeatEntry(packet + kBodyAt + i * kConfSeatEntrySize);
    return true;
}

std::size_t ConfMemberSize(std::uint16_t type) {
    switch (type) {
    case kPktConfAlert:
    case kPktConfMemberInvite: return kConfAlertSize;
    case kPktConfConnect: return kConfConnectSize;
    case kPktConfDisconnect: return kConfDisconnectSize;
    default: return 0;
    }
}

std::vector<std::uint8_t> BuildConfMember(std::uint16_t type, std::uint32_t seq, std::uint32_t callId,
                                          const ConfSeatEntry& m) {
    ByteWriter w = StartPacket(type, seq);
    w.U32LE(callId);
    w.Text(m.number, kNumber);
    w.U32LE(m.endpoint);
    w.U16LE(m.channel);
    if (type == kPktConfConnect) {
        for (std::uint16_t v : m.media) w.U16LE(v);
    } else if (type == kPktConfDisconnect) {
        w.U32LE(m.reason);
    }
    return FinishPacket(w);
}

bool ParseConfMember(std::uint16_t type, const std::uint8_t* packet, std::size_t size, ConfSeatEntry* m) {
    const std::size_t expected = ConfMemberSize(type);
    if (expected == 0 || !CheckMessage(packet, size, expected)) return false;
    ByteReader r(packet + kBodyAt, size - kBodyAt);
    m->number = r.Text(kNumber);
    m->endpoint = r.U32LE();
    m->channel = r.U16LE();
    if (type == kPktConfConnect) {
        for (std::uint16_t& v : m->media) v = r.U16LE();
    } else if (type == kPktConfDisconnect) {
        m->reason = r.U32LE();
    }
    return r.Ok();
}

std::vector<std::uint8_t> BuildConfCmd(std::uint32_t seq, std::uint32_t callId, std::uint8_t cmdType,
                                       std::uint16_t relatedId) {
    ByteWriter w = StartPacket(kPktConfCmd, seq);
    w.U32LE(callId);
    w.U8(cmdType);
    w.U16LE(relatedId);
    return FinishPacket(w);
}

bool ParseConfCmd(const std::uint8_t* packet, std::size_t size, std::uint8_t* cmdType, std::uint16_t* relatedId) {
    if (!CheckMessage(packet, size, kConfCmdSize)) return false;
    *cmdType = packet[kBodyAt];
    *relatedId = GetU16LE(packet + kBodyAt + 1);
    return true;
}

std::vector<std::uint8_t> BuildConfDtmf(std::uint32_t seq, std::uint32_t callId, std::uint16_t channel,
                                        const std::string& digits) {
    ByteWriter w = StartPacket(kPktConfDTMF, seq);
    w.U32LE(callId);
    w.U16LE(channel);
    w.Text(digits.substr(0, kConfDtmfDigits), 16);
    return FinishPacket(w);
}

bool ParseConfDtmf(const std::uint8_t* packet, std::size_t size, std::uint16_t* channel, std::string* digits) {
    if (!CheckMessage(packet, size, kConfDtmfSize)) return false;
    *channel = GetU16LE(packet + kBodyAt);
    *digits = GetTextField(packet + kBodyAt + 2, 16);
    return true;
}

} // namespace orv
