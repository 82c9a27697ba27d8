#include "server/talk_packets.h"

#include "wire/byte_reader.h"
#include "wire/byte_writer.h"

#include <algorithm>

namespace orv {

namespace {

constexpr std::size_t kTalkRequestBody = 2 * kNumberField;
constexpr std::size_t kCallForwardBody = 1 + 4 + 4 + 2 * kNumberField;
constexpr std::size_t kOriginalIdField = 32;
constexpr std::size_t kMaxCodecs = 16;

std::vector<std::uint8_t> EstablishPacket(std::uint32_t seq, const TalkEstablish& notice) {
    std::vector<std::uint8_t> body(kTalkEstablishSize);
    BuildTalkEstablish(notice, body.data());
    return BuildPacket(kPktTalkEstablish, seq, body);
}

void WriteCodecList(ByteWriter& w, const CodecList& list) {
    const std::uint8_t count = std::min<std::uint8_t>(list.count, kMaxCodecs);
    w.U8(count);
    w.Bytes(list.ids.data(), list.ids.size());
}

CodecList ReadCodecList(ByteReader& r) {
    CodecList list;
    list.count = std::min<std::uint8_t>(r.U8(), kMaxCodecs);
    for (std::uint8_t& id : list.ids) id = r.U8();
    return list;
}

} // namespace

std::uint32_t FirstOctetLowest(std::uint32_t ip) {
    return (ip >> 24) | ((ip >> 8) & 0xFF00u) | ((ip << 8) & 0xFF0000u) | (ip << 24);
}

bool CodecList::Contains(std::uint8_t id) const {
    return std::find(ids.begin(), ids.begin() + std::min<std::size_t>(count, kMaxCodecs), id) !=
           ids.begin() + std::min<std::size_t>(count, kMaxCodecs);
}

bool ParseTalkRequest(const std::uint8_t* body, std::size_t size, TalkRequest* request) {
    if (size != kTalkRequestBody) return false;
    ByteReader r(body, size);
    request->own = r.Text(kNumberField);
    request->called = r.Text(kNumberField);
    return r.Ok();
}

bool ParseCallForward(const std::uint8_t* body, std::size_t size, CallForwardRequest* request) {
    if (size != kCallForwardBody) return false;
    ByteReader r(body, size);
    request->type = r.U8();
    request->callId = r.U32LE();
    request->servId = r.U32LE();
    request->caller = r.Text(kNumberField);
    request->forwardTo = r.Text(kNumberField);
    return r.Ok();
}

std::vector<std::uint8_t> BuildEstablishNotice(std::uint32_t seq, const EstablishNotice& n) {
    TalkEstablish notice;
    notice.callId = n.callId;
    notice.callingNumber = n.calling;
    notice.calledNumber = n.called;
    notice.role = n.role;
    notice.noForward = n.noForward;
    notice.servId = n.servId;
    notice.talkServIP = FirstOctetLowest(n.talkServer.ip);
    notice.talkServPort = n.talkServer.port;
    notice.peerAudioIP = FirstOctetLowest(n.peerAudio.ip);
    notice.peerAudioPort = n.peerAudio.port;
    notice.peerVideoIP = FirstOctetLowest(n.peerVideo.ip);
    notice.peerVideoPort = n.peerVideo.port;
    return EstablishPacket(seq, notice);
}

std::vector<std::uint8_t> BuildEstablishRefusal(std::uint32_t seq, std::int32_t reason, const std::string& calling,
                                                const std::string& called) {
    // The same layout as an established notice, so a client that reads every field of it
    // finds zeros where there is nothing to say.
    TalkEstablish notice;
    notice.result = 255;
    notice.reason = reason;
    notice.callingNumber = calling;
    notice.calledNumber = called;
    notice.role = kRoleCaller;
    return EstablishPacket(seq, notice);
}

std::vector<std::uint8_t> BuildCallSetup(std::uint32_t seq, const CallSetup& s) {
    ByteWriter w;
    w.U32LE(s.callId);
    w.U32LE(s.endpoint);
    WriteCodecList(w, s.audioCapt);
    WriteCodecList(w, s.audioPlay);
    WriteCodecList(w, s.videoCapt);
    WriteCodecList(w, s.videoPlay);
    w.U16LE(s.frameRate);
    w.U16LE(s.flowRate);
    w.U16LE(s.videoFormat);
    w.Text(s.originalId, kOriginalIdField);
    return BuildPacket(kPktCallSetup, seq, w.Get());
}

std::vector<std::uint8_t> BuildCallAccept(std::uint16_t type, std::uint32_t seq, std::uint32_t callId,
                                          const MediaParams& p) {
    ByteWriter w;
    w.U32LE(callId);
    w.U16LE(p.audioCapt);
    w.U16LE(p.videoCapt);
    w.U16LE(p.audioPlay);
    w.U16LE(p.videoPlay);
    w.U16LE(p.frameRate);
    w.U16LE(p.flowRate);
    w.U16LE(p.videoFormat);
    // Addresses are host-order numbers sent with the first octet in the lowest-addressed byte.
    w.U32BE(p.peerAudio.ip);
    w.U16LE(p.peerAudio.port);
    w.U32BE(p.peerVideo.ip);
    w.U16LE(p.peerVideo.port);
    return BuildPacket(type, seq, w.Get());
}

bool ParseCallAccept(const std::uint8_t* packet, std::size_t size, MediaParams* p) {
    if (size != kCallAcceptSize) return false;
    ByteReader r(packet + 12, size - 12);
    p->audioCapt = r.U16LE();
    p->videoCapt = r.U16LE();
    p->audioPlay = r.U16LE();
    p->videoPlay = r.U16LE();
    p->frameRate = r.U16LE();
    p->flowRate = r.U16LE();
    p->videoFormat = r.U16LE();
    p->peerAudio.ip = r.U32BE(); // first octet first, as sent
    p->peerAudio.port = r.U16LE();
    p->peerVideo.ip = r.U32BE();
    p->peerVideo.port = r.U16LE();
    return r.Ok();
}

std::vector<std::uint8_t> BuildCallByte(std::uint16_t type, std::uint32_t seq, std::uint32_t callId,
                                        std::uint8_t value) {
    ByteWriter w;
    w.U32LE(callId);
    w.U8(value);
    return BuildPacket(type, seq, w.Get());
}

std::vector<std::uint8_t> BuildCallReason(std::uint16_t type, std::uint32_t seq, std::uint32_t callId,
                                          std::uint32_t reason) {
    ByteWriter w;
    w.U32LE(callId);
    w.U32LE(reason);
    return BuildPacket(type, seq, w.Get());
}

std::vector<std::uint8_t> BuildCallDtmf(std::uint32_t seq, std::uint32_t callId, const std::string& digits) {
    ByteWriter w;
    w.U32LE(callId);
    w.Text(digits, kDtmfField);
    return BuildPacket(kPktCallDTMF, seq, w.Get());
}

std::vector<std::uint8_t> BuildTalkKeepAlive(std::uint32_t seq, std::uint32_t callId) {
    ByteWriter w;
    w.U32LE(callId);
    return BuildPacket(kPktTalkKeepAlive, seq, w.Get());
}

TalkParse ParseTalkMessage(const std::uint8_t* data, std::size_t size, TalkMessage* m) {
    Packet p;
    if (ParsePacket(data, size, &p) != PacketError::None) return TalkParse::Malformed;
    m->header = p.header;
    std::size_t want = 0;
    switch (p.header.type) {
    case kPktTalkKeepAlive:
        if (size == kPacketHeaderSize) {
            m->hasCallId = false;
            return TalkParse::Ok;
        }
        want = kPacketHeaderSize + 4;
        break;
    case kPktCallSetup: want = kCallSetupSize; break;
    case kPktCallAlert:
    case kPktCallConnect:
    case kPktCallPauseVideo: want = kCallByteSize; break;
    case kPktCallDisconnect:
    case kPktCallHold: want = kCallReasonSize; break;
    case kPktCallDTMF: want = kCallDtmfSize; break;
    default: return TalkParse::UnknownType;
    }
    if (size != want) return TalkParse::WrongSize;
    ByteReader r(p.body, p.bodySize);
    m->callId = r.U32LE();
    m->hasCallId = true;
    switch (p.header.type) {
    case kPktCallSetup: {
        CallSetup& s = m->setup;
        s.callId = m->callId;
        s.endpoint = r.U32LE();
        s.audioCapt = ReadCodecList(r);
        s.audioPlay = ReadCodecList(r);
        s.videoCapt = ReadCodecList(r);
        s.videoPlay = ReadCodecList(r);
        s.frameRate = r.U16LE();
        s.flowRate = r.U16LE();
        s.videoFormat = r.U16LE();
        s.originalId = r.Text(kOriginalIdField);
        break;
    }
    case kPktCallAlert:
    case kPktCallConnect:
    case kPktCallPauseVideo: m->value = r.U8(); break;
    case kPktCallDisconnect:
    case kPktCallHold: m->value = r.U32LE(); break;
    case kPktCallDTMF: m->digits = r.Text(kDtmfField); break;
    default: break;
    }
    return r.Ok() ? TalkParse::Ok : TalkParse::Malformed;
}

bool ParseOpenUdpChannel(const std::uint8_t* data, std::size_t size, UdpChannelOpen* open) {
    Packet p;
    if (size != kOpenUdpChannelSize || ParsePacket(data, size, &p) != PacketError::None ||
        p.header.type != kPktOpenUDPChannel) {
        return false;
    }
    ByteReader r(p.body, p.bodySize);
    open->callId = r.U32LE();
    open->channel = r.U8();
    open->subnet = r.U32LE();
    open->endpoint = r.U32LE();
    open->local.ip = r.U32LE();
    open->local.port = r.U16LE();
    return r.Ok();
}

std::vector<std::uint8_t> BuildOpenUdpChannel(std::uint32_t seq, const UdpChannelOpen& open) {
    ByteWriter w;
    w.U32LE(open.callId);
    w.U8(open.channel);
    w.U32LE(open.subnet);
    w.U32LE(open.endpoint);
    w.U32LE(open.local.ip);
    w.U16LE(open.local.port);
    return BuildPacket(kPktOpenUDPChannel, seq, w.Get());
}

} // namespace orv
