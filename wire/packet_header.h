// Server packet framing: the 8-byte little-endian header every server packet starts with
// (type, whole length, sequence number), and the framing check of a received datagram.
#pragma once

#include "wire/byte_writer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

constexpr std::size_t kPacketHeaderSize = 8;

struct PacketHeader {
    std::uint16_t type = 0;   // PktType: family in the high byte
    std::uint16_t length = 0; // PktLen: whole packet, header included
    std::uint32_t seqNum = 0; // SeqNum chosen by the sender
};

// Writes the header into the first 8 bytes of packet (which must hold at least 8 bytes).
void WritePacketHeader(std::uint8_t* packet, const PacketHeader& h);
// Reads the header; false when fewer than 8 bytes are there.
bool ReadPacketHeader(const std::uint8_t* packet, std::size_t size, PacketHeader* h);
void SetPacketSeqNum(std::uint8_t* packet, std::uint32_t seqNum);

// A packet whose length field matches the datagram; body points into the datagram.
struct Packet {
    PacketHeader header;
    const std::uint8_t* body = nullptr;
    std::size_t bodySize = 0;
};
enum class PacketError { None, TooShort, LengthMismatch };
PacketError ParsePacket(const std::uint8_t* data, std::size_t size, Packet* packet);

// Building a packet: StartPacket writes the header with a zero length, the caller appends
// the body, FinishPacket puts the whole length in and hands the bytes over.
ByteWriter StartPacket(std::uint16_t type, std::uint32_t seqNum);
std::vector<std::uint8_t> FinishPacket(ByteWriter& w);

} // namespace orv
