// The packets of a call: the talk request, establish notice and call forward of the user
// server, the call-signalling messages on a talk-server stream link, and the OpenUDPChannel
// announcement that reaches the media rendezvous. Parsers check the exact length of each
// message before trusting any field; builders give whole packets, header included.
// IPv4 addresses are held in host byte order (127.0.0.1 = 0x7F000001) and written the way
// each message wants them.
#pragma once

#include "server/user_packets.h"
#include "wire/talk_establish.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// User-server packets of a call.
constexpr std::uint16_t kPktTalkRequest = 0x0201;
constexpr std::uint16_t kPktTalkEstablish = 0x0203;
constexpr std::uint16_t kPktCallForward = 0x0205;

// Talk-server stream messages.
constexpr std::uint16_t kPktTalkKeepAlive = 0x0000;
constexpr std::uint16_t kPktCallSetup = 0x0A01;
constexpr std::uint16_t kPktCallAccept = 0x0A02;
constexpr std::uint16_t kPktCallAlert = 0x0A03;
constexpr std::uint16_t kPktCallConnect = 0x0A04;
constexpr std::uint16_t kPktCallDisconnect = 0x0A05;
constexpr std::uint16_t kPktCallDTMF = 0x0A06;
constexpr std::uint16_t kPktOpenUDPChannel = 0x0A09;
constexpr std::uint16_t kPktCallH323Connect = 0x0A0F;
constexpr std::uint16_t kPktCallHold = 0x0A10;
constexpr std::uint16_t kPktCallPauseVideo = 0x0A11;

constexpr std::size_t kCallSetupSize = 122;
constexpr std::size_t kCallAcceptSize = 38;
constexpr std::size_t kCallByteSize = 13;   // alert, connect, pause video
constexpr std::size_t kCallReasonSize = 16; // disconnect, hold
constexpr std::size_t kCallDtmfSize = 28;
constexpr std::size_t kOpenUdpChannelSize = 27;
constexpr std::size_t kDtmfField = 16;
// The longest message a talk-server link carries; a frame announcing more is hostile.
constexpr std::size_t kLongestTalkMessage = kCallSetupSize;

// Talk request refusals (beside kReasonUnknownNumber).
constexpr std::int32_t kReasonOffline = -10;
constexpr std::int32_t kReasonBusy = -14;

// Call forward types.
constexpr std::uint8_t kForwardBusy = 2;
constexpr std::uint8_t kForwardNoAnswer = 3;

// Media channels of OpenUDPChannel.
constexpr std::uint8_t kChannelAudio = 1;
constexpr std::uint8_t kChannelVideo = 2;

struct TalkRequest {
    std::string own;
    std::string called;
};
bool ParseTalkRequest(const std::uint8_t* body, std::size_t size, TalkRequest* request);

struct CallForwardRequest {
    std::uint8_t type = 0;
    std::uint32_t callId = 0;
    std::uint32_t servId = 0;
    std::string caller;
    std::string forwardTo;
};
bool ParseCallForward(const std::uint8_t* body, std::size_t size, CallForwardRequest* request);

struct MediaAddress {
    std::uint32_t ip = 0; // host byte order
    std::uint16_t port = 0;
    bool operator==(const MediaAddress&) const = default;
};

// A host-order address as the establish notices carry it (first octet in the lowest byte).
std::uint32_t FirstOctetLowest(std::uint32_t ip);

struct EstablishNotice {
    std::uint32_t callId = 0;
    std::string calling;
    std::string called;
    std::uint8_t role = kRoleCalled;
    std::uint8_t noForward = 0;
    std::uint32_t servId = 0;
    MediaAddress talkServer;
    MediaAddress peerAudio;
    MediaAddress peerVideo;
};
std::vector<std::uint8_t> BuildEstablishNotice(std::uint32_t seq, const EstablishNotice& notice);
std::vector<std::uint8_t> BuildEstablishRefusal(std::uint32_t seq, std::int32_t reason, const std::string& calling,
                                                const std::string& called);

// A codec list of CallSetup: a count, then up to 16 ids. A count above 16 is cut to 16.
struct CodecList {
    std::uint8_t count = 0;
    std::array<std::uint8_t, 16> ids{};
    bool Contains(std::uint8_t id) const;
};

struct CallSetup {
    std::uint32_t callId = 0;
    std::uint32_t endpoint = 0;
    CodecList audioCapt, audioPlay, videoCapt, videoPlay;
    std::uint16_t frameRate = 0;
    std::uint16_t flowRate = 0;
    std::uint16_t videoFormat = 0;
    std::string originalId;
};
// A whole packet (header included), as the tests and the fuzz target build it.
std::vector<std::uint8_t> BuildCallSetup(std::uint32_t seq, const CallSetup& setup);

struct MediaParams {
    std::uint16_t audioCapt = 0, videoCapt = 0, audioPlay = 0, videoPlay = 0;
    std::uint16_t frameRate = 0, flowRate = 0, videoFormat = 0;
    MediaAddress peerAudio, peerVideo;
};
std::vector<std::uint8_t> BuildCallAccept(std::uint16_t type, std::uint32_t seq, std::uint32_t callId,
                                          const MediaParams& params);
bool ParseCallAccept(const std::uint8_t* packet, std::size_t size, MediaParams* params);

// Alert, connect and pause video carry one byte; disconnect and hold a u32 reason.
std::vector<std::uint8_t> BuildCallByte(std::uint16_t type, std::uint32_t seq, std::uint32_t callId,
                                        std::uint8_t value);
std::vector<std::uint8_t> BuildCallReason(std::uint16_t type, std::uint32_t seq, std::uint32_t callId,
                                          std::uint32_t reason);
std::vector<std::uint8_t> BuildCallDtmf(std::uint32_t seq, std::uint32_t callId, const std::string& digits);
std::vector<std::uint8_t> BuildTalkKeepAlive(std::uint32_t seq, std::uint32_t callId);

// One message from a talk-server link, checked for the exact size of its type. The CallID
// of every message but the bare 8-byte keep-alive is in callId.
struct TalkMessage {
    PacketHeader header;
    std::uint32_t callId = 0;
    bool hasCallId = false;
    CallSetup setup;          // kPktCallSetup
    std::uint32_t value = 0;  // the byte or the reason of alert, connect, pause, disconnect, hold
    std::string digits;       // kPktCallDTMF: at most 15 characters
};
enum class TalkParse { Ok, Malformed, WrongSize, UnknownType };
TalkParse ParseTalkMessage(const std::uint8_t* data, std::size_t size, TalkMessage* message);

struct UdpChannelOpen {
    std::uint32_t callId = 0;
    std::uint8_t channel = 0;
    std::uint32_t subnet = 0;
    std::uint32_t endpoint = 0;
    MediaAddress local; // the client's own view of its media socket
};
// True for a datagram that has the exact form of OpenUDPChannel.
bool ParseOpenUdpChannel(const std::uint8_t* data, std::size_t size, UdpChannelOpen* open);
std::vector<std::uint8_t> BuildOpenUdpChannel(std::uint32_t seq, const UdpChannelOpen& open);

} // namespace orv
