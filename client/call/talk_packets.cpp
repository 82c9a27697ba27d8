#include "client/call/talk_packets.h"

#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <algorithm>
#include <cstring>

namespace orv {

namespace {

std::vector<std::uint8_t> NewPacket(std::uint16_t type, std::size_t size, std::uint32_t callId) {
    std::vector<std::uint8_t> p(size, 0);
    PacketHeader h;
    h.type = type;
    h.length = static_cast<std::uint16_t>(size);
    WritePacketHeader(p.data(), h);
    PutU32LE(p.data() + kCallIdOffset, callId);
    return p;
}

// Count byte, then up to 16 codes, the rest zero: 17 bytes.
void PutCodecList(std::uint8_t* field, const std::vector<std::uint8_t>& codecs) {
    std::size_t n = std::min(codecs.size(), kCodecListMax);
    field[0] = static_cast<std::uint8_t>(n);
    std::copy_n(codecs.begin(), n, field + 1);
}

std::vector<std::uint8_t> GetCodecList(const std::uint8_t* field) {
    std::size_t n = std::min<std::size_t>(field[0], kCodecListMax);
    return std::vector<std::uint8_t>(field + 1, field + 1 + n);
}

} // namespace

std::vector<std::uint8_t> BuildTalkKeepAlive(std::uint32_t callId) {
    return NewPacket(PKT_TALK_KEEPALIVE, kTalkKeepAliveSize, callId);
}

std::vector<std::uint8_t> BuildCallSetup(const CallSetupInfo& info) {
    std::vector<std::uint8_t> p = NewPacket(PKT_CALL_SETUP, kCallSetupSize, info.callId);
    PutU32LE(p.data() + 12, info.endpointId);
    PutCodecList(p.data() + 16, info.audioCaptCodecs);
    PutCodecList(p.data() + 33, info.audioPlayCodecs);
    PutCodecList(p.data() + 50, info.videoCaptCodecs);
    PutCodecList(p.data() + 67, info.videoPlayCodecs);
    PutU16LE(p.data() + 84, info.frameRate);
    PutU16LE(p.data() + 86, info.flowRate);
    PutU16LE(p.data() + 88, info.videoFormat);
    PutTextField(p.data() + 90, kIdField, info.originalId.c_str());
    return p;
}

std::vector<std::uint8_t> BuildCallByte(std::uint16_t type, std::uint32_t callId, std::uint8_t value) {
    std::vector<std::uint8_t> p = NewPacket(type, kCallByteSize, callId);
    p[kCallBodyOffset] = value;
    return p;
}

std::vector<std::uint8_t> BuildCallReason(std::uint16_t type, std::uint32_t callId, std::uint32_t reason) {
    std::vector<std::uint8_t> p = NewPacket(type, kCallReasonSize, callId);
    PutU32LE(p.data() + kCallBodyOffset, reason);
    return p;
}

std::vector<std::uint8_t> BuildCallDTMF(std::uint32_t callId, const std::string& digits) {
    std::vector<std::uint8_t> p = NewPacket(PKT_CALL_DTMF, kCallDTMFSize, callId);
    std::size_t n = std::min(digits.size(), kDtmfDigitsPerPacket);
    std::copy_n(digits.begin(), n, p.begin() + kCallBodyOffset);
    return p;
}

std::vector<std::uint8_t> BuildOpenUDPChannel(std::uint32_t callId, std::uint8_t channel, std::uint32_t subNet,
                                              std::uint32_t endpointId, std::uint32_t localIP,
                                              std::uint16_t localPort) {
    std::vector<std::uint8_t> p = NewPacket(PKT_OPEN_UDP_CHANNEL, kOpenUDPChannelSize, callId);
    p[12] = channel;
    PutU32LE(p.data() + 13, subNet);
    PutU32LE(p.data() + 17, endpointId);
    PutU32LE(p.data() + 21, localIP);
    PutU16LE(p.data() + 25, localPort);
    return p;
}

std::size_t TalkMessageMinSize(std::uint16_t type) {
    switch (type) {
    case PKT_CALL_ACCEPT:
    case PKT_CALL_H323_CONNECT: return kMediaParamsSize;
    case PKT_CALL_ALERT:
    case PKT_CALL_CONNECT:
    case PKT_CALL_PAUSE_VIDEO: return kCallByteSize;
    case PKT_CALL_DISCONNECT:
    case PKT_CALL_HOLD: return kCallReasonSize;
    default: return 0;
    }
}

bool ParseMediaParams(const std::uint8_t* p, std::size_t size, CallMediaParams* m) {
    if (p == nullptr || size < kMediaParamsSize) return false;
    m->audioCaptCodec = GetU16LE(p + 12);
    m->videoCaptCodec = GetU16LE(p + 14);
    m->audioPlayCodec = GetU16LE(p + 16);
    m->videoPlayCodec = GetU16LE(p + 18);
    m->frameRate = GetU16LE(p + 20);
    m->flowRate = GetU16LE(p + 22);
    m->videoFormat = GetU16LE(p + 24);
    // Addresses travel in network order: first octet in the lowest byte, kept as they are.
    m->peerAudioIP = GetU32LE(p + 26);
    m->peerAudioPort = GetU16LE(p + 30);
    m->peerVideoIP = GetU32LE(p + 32);
    m->peerVideoPort = GetU16LE(p + 36);
    return true;
}

bool ParseCallSetup(const std::uint8_t* p, std::size_t size, CallSetupInfo* info) {
    if (p == nullptr || size < kCallSetupSize) return false;
    info->callId = GetU32LE(p + kCallIdOffset);
    info->endpointId = GetU32LE(p + 12);
    info->audioCaptCodecs = GetCodecList(p + 16);
    info->audioPlayCodecs = GetCodecList(p + 33);
    info->videoCaptCodecs = GetCodecList(p + 50);
    info->videoPlayCodecs = GetCodecList(p + 67);
    info->frameRate = GetU16LE(p + 84);
    info->flowRate = GetU16LE(p + 86);
    info->videoFormat = GetU16LE(p + 88);
    const char* id = reinterpret_cast<const char*>(p + 90);
    info->originalId.assign(id, strnlen(id, kIdField));
    return true;
}

std::vector<std::string> SplitDtmfDigits(const std::string& digits) {
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < digits.size(); at += kDtmfDigitsPerPacket)
        pieces.push_back(digits.substr(at, kDtmfDigitsPerPacket));
    return pieces;
}

} // namespace orv
