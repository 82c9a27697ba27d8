// The messages of the call conversation with a talk server: packet types, sizes, and their
// bodies packed and parsed with explicit little-endian code. Every message begins with the
// 8-byte server header followed by the u32 CallID; offsets below are from the packet start.
#pragma once

#include "client/call/call_media.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr std::uint16_t PKT_TALK_KEEPALIVE = 0x0000;
constexpr std::uint16_t PKT_CALL_SETUP = 0x0A01;
constexpr std::uint16_t PKT_CALL_ACCEPT = 0x0A02;
constexpr std::uint16_t PKT_CALL_ALERT = 0x0A03;
constexpr std::uint16_t PKT_CALL_CONNECT = 0x0A04;
constexpr std::uint16_t PKT_CALL_DISCONNECT = 0x0A05;
constexpr std::uint16_t PKT_CALL_DTMF = 0x0A06;
constexpr std::uint16_t PKT_OPEN_UDP_CHANNEL = 0x0A09;
constexpr std::uint16_t PKT_CALL_H323_CONNECT = 0x0A0F;
constexpr std::uint16_t PKT_CALL_HOLD = 0x0A10;
constexpr std::uint16_t PKT_CALL_PAUSE_VIDEO = 0x0A11;

constexpr std::size_t kTalkKeepAliveSize = 12;
constexpr std::size_t kCallSetupSize = 122;
constexpr std::size_t kMediaParamsSize = 38; // CallAccept and CallH323Connect
constexpr std::size_t kCallByteSize = 13;    // CallAlert, CallConnect, CallPauseVideo
constexpr std::size_t kCallReasonSize = 16;  // CallDisconnect, CallHold
constexpr std::size_t kCallDTMFSize = 28;
constexpr std::size_t kOpenUDPChannelSize = 27;
constexpr std::size_t kCallIdOffset = 8;
constexpr std::size_t kCallBodyOffset = 12; // first field after the CallID

constexpr std::size_t kCodecListMax = 16;
constexpr std::size_t kDtmfDigitsPerPacket = 15;
constexpr std::size_t kIdField = 32;

struct CallSetupInfo {
    std::uint32_t callId = 0;
    std::uint32_t endpointId = 0;
    std::vector<std::uint8_t> audioCaptCodecs; // at most 16 are sent
    std::vector<std::uint8_t> audioPlayCodecs;
    std::vector<std::uint8_t> videoCaptCodecs;
    std::vector<std::uint8_t> videoPlayCodecs;
    std::uint16_t frameRate = 0;
    std::uint16_t flowRate = 0;
    std::uint16_t videoFormat = 0;
    std::string originalId;
};

// Whole packets with the header's type and length set and SeqNum 0 (the sender numbers it).
std::vector<std::uint8_t> BuildTalkKeepAlive(std::uint32_t callId);
std::vector<std::uint8_t> BuildCallSetup(const CallSetupInfo& info);
// CallAlert, CallConnect (value 0) and CallPauseVideo (pause byte).
std::vector<std::uint8_t> BuildCallByte(std::uint16_t type, std::uint32_t callId, std::uint8_t value);
// CallDisconnect and CallHold.
std::vector<std::uint8_t> BuildCallReason(std::uint16_t type, std::uint32_t callId, std::uint32_t reason);
// One CallDTMF with at most 15 digits (further ones are cut).
std::vector<std::uint8_t> BuildCallDTMF(std::uint32_t callId, const std::string& digits);
// The channel announcement sent from a media socket: local IP in host order.
std::vector<std::uint8_t> BuildOpenUDPChannel(std::uint32_t callId, std::uint8_t channel, std::uint32_t subNet,
                                              std::uint32_t endpointId, std::uint32_t localIP,
                                              std::uint16_t localPort);

// The body length a received message of this type needs at least; 0 for types the talk
// handler does not take.
std::size_t TalkMessageMinSize(std::uint16_t type);
// The media parameters of CallAccept / CallH323Connect; false when the packet is too short.
bool ParseMediaParams(const std::uint8_t* packet, std::size_t size, CallMediaParams* params);
// Reads the CallSetup fields back (for checks and the server side of tests).
bool ParseCallSetup(const std::uint8_t* packet, std::size_t size, CallSetupInfo* info);

// A digit string cut into the pieces that leave one per packet, in order.
std::vector<std::string> SplitDtmfDigits(const std::string& digits);

} // namespace orv
