#include "wire/media_header.h"

#include "wire/byte_order.h"

namespace orv {

void PackMediaHeader(const MediaHeader& header, std::uint8_t* out) {
    out[0] = header.versionByte;
    out[1] = header.payloadType;
    PutU16BE(out + 2, header.sequence);
    PutU32BE(out + 4, header.timestamp);
    PutU32BE(out + 8, header.ssrc);
}

bool UnpackMediaHeader(const std::uint8_t* data, std::size_t length, MediaHeader& header) {
    if (data == nullptr || length < kMediaHeaderBytes) return false;
    header.versionByte = data[0];
    header.payloadType = data[1];
    header.sequence = GetU16BE(data + 2);
    header.timestamp = GetU32BE(data + 4);
    header.ssrc = GetU32BE(data + 8);
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
    return data != nullptr && length == kMediaHeaderBytes && GetU16BE(data + 2) == kProbeSequence;
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
