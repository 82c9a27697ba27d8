#include "wire/packet_header.h"

#include "wire/byte_order.h"
#include "wire/byte_reader.h"

namespace orv {

void WritePacketHeader(std::uint8_t* packet, const PacketHeader& h) {
    PutU16LE(packet, h.type);
    PutU16LE(packet + 2, h.length);
    PutU32LE(packet + 4, h.seqNum);
}

bool ReadPacketHeader(const std::uint8_t* packet, std::size_t size, PacketHeader* h) {
    ByteReader r(packet, size);
    h->type = r.U16LE();
    h->length = r.U16LE();
    h->seqNum = r.U32LE();
    return r.Ok();
}

void SetPacketSeqNum(std::uint8_t* packet, std::uint32_t seqNum) { PutU32LE(packet + 4, seqNum); }

PacketError ParsePacket(const std::uint8_t* data, std::size_t size, Packet* packet) {
    if (!ReadPacketHeader(data, size, &packet->header)) return PacketError::TooShort;
    if (packet->header.length != size) return PacketError::LengthMismatch;
    packet->body = data + kPacketHeaderSize;
    packet->bodySize = size - kPacketHeaderSize;
    return PacketError::None;
}

ByteWriter StartPacket(std::uint16_t type, std::uint32_t seqNum) {
    ByteWriter w;
    w.U16LE(type);
    w.U16LE(0);
    w.U32LE(seqNum);
    return w;
}

std::vector<std::uint8_t> FinishPacket(ByteWriter& w) {
    std::vector<std::uint8_t>& bytes = w.Get();
    PutU16LE(bytes.data() + 2, static_cast<std::uint16_t>(bytes.size()));
    return std::move(bytes);
}

} // namespace orv
