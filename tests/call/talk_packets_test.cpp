// Talk-server message layouts: the 122-byte setup, digit packets, media parameters, the
// channel announcement and the establish notice, with short inputs refused.
#include "wire/talk_establish.h"
#include "client/call/talk_packets.h"
#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <gtest/gtest.h>

namespace orv::test {
namespace {

TEST(TalkPackets, CallSetupLayout) {
    CallSetupInfo info;
    info.callId = 0x11223344;
    info.endpointId = 0x55667788;
    info.audioCaptCodecs = {4, 1};
    info.audioPlayCodecs = {4, 1};
    info.videoPlayCodecs = std::vector<std::uint8_t>(20, 2); // more than a list holds
    info.frameRate = 15;
    info.flowRate = 256;
    info.videoFormat = 2;
    info.originalId = std::string(40, '9');
    std::vector<std::uint8_t> p = BuildCallSetup(info);
    ASSERT_EQ(p.size(), 122u);
    EXPECT_EQ(GetU16LE(p.data()), PKT_CALL_SETUP);
    EXPECT_EQ(GetU16LE(p.data() + 2), 122);
    EXPECT_EQ(GetU32LE(p.data() + 8), 0x11223344u);
    EXPECT_EQ(GetU32LE(p.data() + 12), 0x55667788u);
    EXPECT_EQ(p[16], 2);
    EXPECT_EQ(p[17], 4);
    EXPECT_EQ(p[18], 1);
    EXPECT_EQ(p[19], 0);
    EXPECT_EQ(p[33], 2);
    EXPECT_EQ(p[50], 0);
    EXPECT_EQ(p[67], 16);
    EXPECT_EQ(GetU16LE(p.data() + 84), 15);
    EXPECT_EQ(GetU16LE(p.data() + 86), 256);
    EXPECT_EQ(GetU16LE(p.data() + 88), 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data() + 90)), std::string(31, '9'));
    EXPECT_EQ(p[121], 0);
    CallSetupInfo back;
    ASSERT_TRUE(ParseCallSetup(p.data(), p.size(), &back));
    EXPECT_EQ(back.videoPlayCodecs.size(), 16u);
    EXPECT_FALSE(ParseCallSetup(p.data(), 121, &back));
}

TEST(TalkPackets, DigitsSplitIntoPiecesOfFifteen) {
    EXPECT_EQ(SplitDtmfDigits(std::string(31, '5')).size(), 3u);
    EXPECT_EQ(SplitDtmfDigits(std::string(30, '5')).size(), 2u);
    EXPECT_TRUE(SplitDtmfDigits("").empty());
    std::vector<std::uint8_t> p = BuildCallDTMF(9, std::string(20, '#'));
    ASSERT_EQ(p.size(), 28u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data() + 12)), std::string(15, '#'));
}

TEST(TalkPackets, MediaParametersAndShortPackets) {
    std::vector<std::uint8_t> p(38, 0);
    PutU16LE(p.data() + 12, 4);
    PutU16LE(p.data() + 16, 1);
    PutU32LE(p.data() + 26, 0x0100007F);
    PutU16LE(p.data() + 30, 5000);
    PutU16LE(p.data() + 36, 5002);
    CallMediaParams m;
    ASSERT_TRUE(ParseMediaParams(p.data(), p.size(), &m));
    EXPECT_EQ(m.audioCaptCodec, 4);
    EXPECT_EQ(m.audioPlayCodec, 1);
    EXPECT_EQ(m.peerAudioIP, 0x0100007Fu);
    EXPECT_EQ(m.peerAudioPort, 5000);
    EXPECT_EQ(m.peerVideoPort, 5002);
    EXPECT_FALSE(ParseMediaParams(p.data(), 37, &m));
    EXPECT_EQ(TalkMessageMinSize(PKT_CALL_ACCEPT), 38u);
    EXPECT_EQ(TalkMessageMinSize(PKT_CALL_DISCONNECT), 16u);
    EXPECT_EQ(TalkMessageMinSize(PKT_CALL_ALERT), 13u);
}

TEST(TalkPackets, ChannelAnnouncementLayout) {
    std::vector<std::uint8_t> p = BuildOpenUDPChannel(7, kVideoChannel, 0x0000A8C0, 77, 0xC0A80005, 6002);
    ASSERT_EQ(p.size(), 27u);
    EXPECT_EQ(GetU16LE(p.data()), PKT_OPEN_UDP_CHANNEL);
    EXPECT_EQ(p[12], 2);
    EXPECT_EQ(GetU32LE(p.data() + 13), 0x0000A8C0u);
    EXPECT_EQ(GetU32LE(p.data() + 17), 77u);
    EXPECT_EQ(GetU32LE(p.data() + 21), 0xC0A80005u);
    EXPECT_EQ(GetU16LE(p.data() + 25), 6002);
}

TEST(TalkPackets, EstablishNoticeRoundTripAndShortBody) {
    TalkEstablish n;
    n.callId = 99;
    n.callingNumber = "8002";
    n.role = kRoleCaller;
    n.noForward = 1;
    n.servId = 3;
    n.talkServIP = 0x0100007F;
    n.talkServPort = 7000;
    n.peerAudioIP = 0x0200007F;
    n.peerAudioPort = 7002;
    n.peerVideoPort = 7004;
    std::uint8_t body[kTalkEstablishSize];
    BuildTalkEstablish(n, body);
    TalkEstablish back;
    ASSERT_TRUE(ParseTalkEstablish(body, sizeof(body), &back));
    EXPECT_EQ(back.callId, 99u);
    EXPECT_EQ(back.callingNumber, "8002");
    EXPECT_TRUE(back.IsCaller());
    EXPECT_EQ(back.noForward, 1);
    EXPECT_EQ(back.talkServPort, 7000);
    EXPECT_EQ(back.peerAudioIP, 0x0200007Fu);
    EXPECT_EQ(back.peerVideoPort, 7004);
    EXPECT_FALSE(ParseTalkEstablish(body, sizeof(body) - 1, &back));
    body[0] = 255;
    PutU32LE(body + 1, static_cast<std::uint32_t>(-10));
    ASSERT_TRUE(ParseTalkEstablish(body, sizeof(body), &back));
    EXPECT_EQ(back.reason, -10);
}

} // namespace
} // namespace orv::test
