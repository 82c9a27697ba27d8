// The wire forms of a call as the clients read and write them, and what the talk server
// chooses for CallAccept.
#include "server/talk_negotiation.h"
#include "server/talk_packets.h"

#include "wire/byte_reader.h"
#include "wire/byte_writer.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using Bytes = std::vector<std::uint8_t>;

CodecList Codecs(std::initializer_list<std::uint8_t> ids) {
    CodecList list;
    for (std::uint8_t id : ids) list.ids[list.count++] = id;
    return list;
}

TEST(TalkPacketsTest, EstablishNoticeHasTheFieldsWhereTheClientReadsThem) {
    EstablishNotice n;
    n.callId = 0x01020304;
    n.calling = "8001";
    n.called = "8002";
    n.role = kRoleCaller;
    n.noForward = 1;
    n.servId = 7;
    n.talkServer = {0xC0A80001, 17002}; // 192.168.0.1
    n.peerAudio = {0x0A000002, 17004};  // 10.0.0.2
    n.peerVideo = {0x0A000003, 17005};
    const Bytes p = BuildEstablishNotice(9, n);
    ASSERT_EQ(p.size(), 101u);
    const std::uint8_t* b = p.data() + 8;
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(ByteReader(b + 1, 4).U32LE(), 0x01020304u);
    EXPECT_STREQ(reinterpret_cast<const char*>(b + 5), "8001");
    EXPECT_EQ(b[69], 1);
    EXPECT_EQ(b[70], 1);
    EXPECT_EQ(ByteReader(b + 71, 4).U32LE(), 7u);
    EXPECT_EQ((Bytes{b[75], b[76], b[77], b[78]}), (Bytes{192, 168, 0, 1})) << "first octet first";
    EXPECT_EQ(ByteReader(b + 79, 2).U16LE(), 17002);
    EXPECT_EQ((Bytes{b[81], b[82], b[83], b[84]}), (Bytes{10, 0, 0, 2}));
    EXPECT_EQ(ByteReader(b + 85, 2).U16LE(), 17004);
    EXPECT_EQ(b[87 + 3], 3);
    EXPECT_EQ(ByteReader(b + 91, 2).U16LE(), 17005);

    const Bytes refusal = BuildEstablishRefusal(9, kReasonOffline, "8001", "8002");
    ASSERT_EQ(refusal.size(), 101u);
    EXPECT_EQ(refusal[8], 255);
    EXPECT_EQ(static_cast<std::int32_t>(ByteReader(refusal.data() + 9, 4).U32LE()), -10);
}

TEST(TalkPacketsTest, CallSetupRoundTripsAndAHostileCodecCountIsCut) {
    CallSetup s;
    s.callId = 42;
    s.endpoint = 1234;
    s.audioCapt = Codecs({4, 3, 2, 1});
    s.audioPlay = Codecs({1, 2});
    s.frameRate = 10;
    s.flowRate = 256;
    s.videoFormat = 1;
    s.originalId = "8009";
    Bytes p = BuildCallSetup(5, s);
    ASSERT_EQ(p.size(), kCallSetupSize);
    TalkMessage m;
    ASSERT_EQ(ParseTalkMessage(p.data(), p.size(), &m), TalkParse::Ok);
    EXPECT_EQ(m.callId, 42u);
    EXPECT_EQ(m.setup.endpoint, 1234u);
    EXPECT_EQ(m.setup.audioCapt.count, 4);
    EXPECT_TRUE(m.setup.audioCapt.Contains(3));
    EXPECT_FALSE(m.setup.audioPlay.Contains(3));
    EXPECT_EQ(m.setup.flowRate, 256);
    EXPECT_EQ(m.setup.originalId, "8009");

    p[16] = 200; // audio capture count far beyond the 16 ids the field holds
    ASSERT_EQ(ParseTalkMessage(p.data(), p.size(), &m), TalkParse::Ok);
    EXPECT_EQ(m.setup.audioCapt.count, 16);
    p.push_back(0);
    p[2] = static_cast<std::uint8_t>(p.size());
    EXPECT_EQ(ParseTalkMessage(p.data(), p.size(), &m), TalkParse::WrongSize);
}

TEST(TalkPacketsTest, EachMessageHasItsOneSize) {
    TalkMessage m;
    const Bytes dtmf = BuildCallDtmf(1, 9, "0123456789*#ABCDEF"); // cut to 15 digits
    ASSERT_EQ(dtmf.size(), kCallDtmfSize);
    ASSERT_EQ(ParseTalkMessage(dtmf.data(), dtmf.size(), &m), TalkParse::Ok);
    EXPECT_EQ(m.digits, "0123456789*#ABC");
    const Bytes hold = BuildCallReason(kPktCallHold, 1, 9, 16);
    ASSERT_EQ(ParseTalkMessage(hold.data(), hold.size(), &m), TalkParse::Ok);
    EXPECT_EQ(m.value, 16u);
    const Bytes accept = BuildCallAccept(kPktCallAccept, 1, 9, MediaParams{});
    EXPECT_EQ(accept.size(), kCallAcceptSize);
    EXPECT_EQ(ParseTalkMessage(accept.data(), accept.size(), &m), TalkParse::UnknownType)
        << "CallAccept only goes from the server";
    Bytes shortAlive = BuildTalkKeepAlive(1, 9);
    shortAlive.resize(10);
    shortAlive[2] = 10;
    EXPECT_EQ(ParseTalkMessage(shortAlive.data(), shortAlive.size(), &m), TalkParse::WrongSize);
    EXPECT_EQ(ParseTalkMessage(shortAlive.data(), 5, &m), TalkParse::Malformed);
}

TEST(TalkPacketsTest, OpenUdpChannelIsRecognisedOnlyInItsExactForm) {
    UdpChannelOpen open;
    open.callId = 77;
    open.channel = kChannelVideo;
    open.subnet = 0x7F000000;
    open.endpoint = 5;
    open.local = {0x7F000001, 40000};
    Bytes p = BuildOpenUdpChannel(3, open);
    ASSERT_EQ(p.size(), kOpenUdpChannelSize);
    // The client writes its local address as a little-endian number in host order.
    EXPECT_EQ((Bytes{p[21], p[22], p[23], p[24]}), (Bytes{1, 0, 0, 127}));
    UdpChannelOpen back;
    ASSERT_TRUE(ParseOpenUdpChannel(p.data(), p.size(), &back));
    EXPECT_EQ(back.callId, 77u);
    EXPECT_EQ(back.channel, kChannelVideo);
    EXPECT_EQ(back.local, open.local);
    p[0] = 0x0A; // another type of the same size
    EXPECT_FALSE(ParseOpenUdpChannel(p.data(), p.size(), &back));
    EXPECT_FALSE(ParseOpenUdpChannel(p.data(), p.size() - 1, &back));
}

TEST(TalkNegotiationTest, FirstCommonCodecFollowsTheSendersOrderAndSkipsUnknownIds) {
    EXPECT_EQ(FirstCommonCodec(Codecs({3, 4, 1}), Codecs({1, 4}), 4), 4);
    EXPECT_EQ(FirstCommonCodec(Codecs({9, 1}), Codecs({9, 1}), 4), 1) << "9 is no audio codec";
    EXPECT_EQ(FirstCommonCodec(Codecs({2}), Codecs({1}), 4), 0);
    EXPECT_EQ(FirstCommonCodec(Codecs({}), Codecs({1}), 4), 0);
}

TEST(TalkNegotiationTest, MediaGoWhereTheRendezvousLearnedThePeer) {
    TalkCall call;
    const RendezvousAddresses rendezvous{{0x7F000001, 5000}, {0x7F000001, 5001}, false};
    CallParty& a = call.Party(Side::Caller);
    CallParty& b = call.Party(Side::Called);
    b.Path(Medium::Audio) = MediaPath{true, {0x01020304, 3000}, {0xC0A80105, 4000}, 0xC0A80100};
    MediaParams p = NegotiateFor(call, Side::Caller, rendezvous);
    EXPECT_EQ(p.peerAudio, (MediaAddress{0x01020304, 3000})) << "the address its datagrams came from";
    EXPECT_EQ(p.peerVideo, rendezvous.video) << "video of the peer not learned: relay";

    // Both behind the same public address in the same subnet: the peer's own address.
    a.Path(Medium::Audio) = MediaPath{true, {0x01020304, 3100}, {0xC0A80106, 4100}, 0xC0A80100};
    p = NegotiateFor(call, Side::Caller, rendezvous);
    EXPECT_EQ(p.peerAudio, (MediaAddress{0xC0A80105, 4000}));
    a.Path(Medium::Audio).subnet = 0xC0A80200;
    EXPECT_EQ(NegotiateFor(call, Side::Caller, rendezvous).peerAudio, (MediaAddress{0x01020304, 3000}));

    RendezvousAddresses relay = rendezvous;
    relay.relayAll = true;
    EXPECT_EQ(NegotiateFor(call, Side::Caller, relay).peerAudio, relay.audio);
}

} // namespace
} // namespace orv
