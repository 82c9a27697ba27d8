#include "client/media/media_header.h"

namespace orv {

namespace {

void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
    PutU16(p, static_cast<std::uint16_t>(v >> 16));
    PutU16(p + 2, static_cast<std::uint16_t>(v));
}

std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t GetU32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(GetU16(p)) << 16) | GetU16(p + 2);
}

} // namespace

void PackMediaHeader(const MediaHeader& header, std::uint8_t* out) {
    out[0] = header.versionByte;
    out[1] = header.payloadType;
    PutU16(out + 2, header.sequence);
    PutU32(out + 4, header.timestamp);
    PutU32(out + 8, header.ssrc);
}

bool UnpackMediaHeader(const std::uint8_t* data, std::size_t length, MediaHeader& header) {
    if (data == nullptr || length < kMediaHeaderBytes) return false;
    header.versionByte = data[0];
    header.payloadType = data[1];
    header.sequence = GetU16(data + 2);
    header.timestamp = GetU32(data + 4);
    header.ssrc = GetU32(data + 8);
    return true;
}

bool FindMediaPayload(const std::uint8_t* data, std::size_t length, std::size_t& payloadOffset) {
    if (data == nullptr || length <= kMediaHeaderBytes) return false;
    const std::size_t offset = kMediaHeaderBytes + 4 * static_cast<std::size_t>(data[0] & 0x0F);
    if (length <= offset) return false;
    payloadOffset = offset;
    return true;
}

bool IsProbe(const std::uint8_t* data, std::size_t length) {
    return data != nullptr && length == kMediaHeaderBytes && GetU16(data + 2) == kProbeSequence;
}

void PackProbe(std::uint32_t ssrc, std::uint8_t* out) {
    MediaHeader probe;
    probe.versionByte = 0;
    probe.payloadType = 0;
    probe.sequence = kProbeSequence;
    probe.timestamp = 0;
    probe.ssrc = ssrc;
    PackMediaHeader(probe, out);
}

} // namespace orv
