// The media packet header: the 12-byte fixed header of RTP, every multi-byte field in
// network byte order, and the 12-byte address probe that opens the media path through NAT.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

constexpr std::size_t kMediaHeaderBytes = 12;
constexpr std::uint8_t kMediaVersionByte = 0x80; // version 2, no padding, no extension, no CSRC
constexpr std::uint16_t kProbeSequence = 0xFFFF;
constexpr std::size_t kMaxDatagramBytes = 65535;

struct MediaHeader {
    std::uint8_t versionByte = kMediaVersionByte; // version/padding/extension/CSRC count
    std::uint8_t payloadType = 0;                 // marker bit and payload type
    std::uint16_t sequence = 0;
    std::uint32_t timestamp = 0;
    std::uint32_t ssrc = 0;
};

// Writes the 12 header bytes to out.
void PackMediaHeader(const MediaHeader& header, std::uint8_t* out);
// Reads the header; false when fewer than 12 bytes are given.
bool UnpackMediaHeader(const std::uint8_t* data, std::size_t length, MediaHeader& header);

// Where the payload starts: 12 bytes plus 4 per CSRC. False when the datagram is not longer
// than that, so a media packet always has at least one payload byte.
bool FindMediaPayload(const std::uint8_t* data, std::size_t length, std::size_t& payloadOffset);

// A probe is exactly 12 bytes with sequence number 0xFFFF; anything else is media.
bool IsProbe(const std::uint8_t* data, std::size_t length);
// Writes a probe: bytes 0-1 zero, sequence 0xFFFF, timestamp 0, the local SSRC.
void PackProbe(std::uint32_t ssrc, std::uint8_t* out);

} // namespace orv
