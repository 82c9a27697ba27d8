// The talk-server handler over a real stream link to a talk server played by the test:
// setup timing and contents, the channel announcements, both roles through ring, answer and
// hang-up, refusals that still send the setup, forwarding, digits, time-outs and link loss.
#include "client/call/call_state.h"
#include "client/log/log.h"
#include "tests/call/call_fixture.h"
#include "tests/handlers/fake_user_server.h"
#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::test {
namespace {

using ::testing::ElementsAre;

std::uint32_t Reason(const TalkMessage& m) { return m.packet.size() >= 16 ? GetU32LE(m.packet.data() + 12) : 0xFFFFFFFF; }

CallRecord RecordOf(CallRecordList& records, std::uint32_t callId) {
    for (const CallRecord& r : records.Records())
        if (r.callId == callId) return r;
    return {};
}

TEST_F(CallTest, CallerSetupLeaves800msAfterTheConnectWithTheConfiguredCodecs) {
    StartCall(true);
    WaitLog("DoTCPKeepAlive CallID=4660");
    TalkMessage keepAlive = Expect(PKT_TALK_KEEPALIVE);
    EXPECT_EQ(keepAlive.packet.size(), 12u);
    EXPECT_TRUE(m_server.Quiet(100));
    Advance(kSetupDelayMs - 1);
    EXPECT_TRUE(m_server.Quiet(200)) << "the setup left before its delay";
    Advance(2);
    TalkMessage setup = Expect(PKT_CALL_SETUP);
    ASSERT_EQ(setup.packet.size(), 122u);
    CallSetupInfo info;
    ASSERT_TRUE(ParseCallSetup(setup.packet.data(), setup.packet.size(), &info));
    EXPECT_EQ(info.endpointId, kTestEndpoint);
    EXPECT_EQ(info.audioCaptCodecs, (std::vector<std::uint8_t>{4, 1, 2, 3}));
    EXPECT_EQ(info.audioPlayCodecs, (std::vector<std::uint8_t>{4, 1, 2, 3}));
    EXPECT_TRUE(info.videoCaptCodecs.empty());
    EXPECT_TRUE(info.videoPlayCodecs.empty());
    EXPECT_EQ(info.frameRate, 10);
    EXPECT_EQ(info.flowRate, 128);
    EXPECT_EQ(info.originalId, "8001");
    EXPECT_GT(setup.seqNum, keepAlive.seqNum); // numbered when it left, from the timer thread
    EXPECT_THAT(EventCodes(), ElementsAre(kTalkLinkConnected, kTalkSetupQueued));
    EXPECT_EQ(info.videoFormat, m_config->Video().videoFormat);
    EXPECT_EQ(CountInLog("DoCallSetup AudioCaptCodecCnt=4, AudioPlayCodecCnt=4, VideoCaptCodecCnt=0, "
                         "VideoPlayCodecCnt=0, VideoCfgInfo=(128, 10, " +
                         std::to_string(m_config->Video().videoFormat) + ")"),
              1);
    // The caller's setup check leaves the request state as it is, however often it runs.
    EXPECT_TRUE(WaitState(CALLSTATE_SENDREQUEST));
    EXPECT_NE(m_handler->DoCallSetup(), 0);
    EXPECT_TRUE(WaitState(CALLSTATE_SENDREQUEST));
    for (int state : StatePosts()) EXPECT_EQ(state, CALLSTATE_SENDREQUEST);
}

TEST_F(CallTest, WithoutASoundDeviceNoAudioCodecIsOffered) {
    m_config->Audio().device.clear();
    TalkMessage setup = ConnectAndSetup(true);
    CallSetupInfo info;
    ASSERT_TRUE(ParseCallSetup(setup.packet.data(), setup.packet.size(), &info));
    EXPECT_TRUE(info.audioCaptCodecs.empty());
    EXPECT_TRUE(info.audioPlayCodecs.empty());
    for (std::size_t at = 16; at < 84; ++at) EXPECT_EQ(setup.packet[at], 0) << at;
}

TEST_F(CallTest, ChannelAnnouncementsRepeatEverySecondUntilTheAccept) {
    ConnectAndSetup(true);
    std::uint16_t fromAudio = 0, fromVideo = 0;
    auto audio = m_audio.Receive(5000, &fromAudio);
    auto video = m_video.Receive(5000, &fromVideo);
    ASSERT_TRUE(audio && video);
    ASSERT_EQ(audio->size(), 27u);
    EXPECT_EQ(GetU16LE(audio->data()), PKT_OPEN_UDP_CHANNEL);
    EXPECT_EQ(GetU16LE(audio->data() + 2), 27);
    EXPECT_EQ(GetU32LE(audio->data() + 8), kTestCallId);
    EXPECT_EQ((*audio)[12], kAudioChannel);
    EXPECT_EQ(GetU32LE(audio->data() + 17), kTestEndpoint);
    EXPECT_EQ(GetU32LE(audio->data() + 21), 0x7F000001u); // local IP of the talk-server link, host order
    EXPECT_EQ(GetU16LE(audio->data() + 25), fromAudio);    // the audio socket's own port
    EXPECT_EQ((*video)[12], kVideoChannel);
    EXPECT_EQ(GetU16LE(video->data() + 25), fromVideo);
    EXPECT_NE(fromAudio, fromVideo);
    Advance(kCallTimerMs);
    EXPECT_TRUE(m_audio.Receive() && m_video.Receive()) << "no repetition a second later";
    SendAccept();
    ASSERT_TRUE(WaitEvent(kTalkAcceptReceived));
    Advance(kCallTimerMs + 1);
    Advance(kCallTimerMs + 1);
    EXPECT_FALSE(m_audio.Receive(200)) << "announcements went on after the accept";
}

TEST_F(CallTest, CallerRingsTalksAndTheRemoteHangsUp) {
    m_records->Add(1, 0, kTestCallId, "8001", "8002", kDialledCall, 0);
    ConnectAndSetup(true);
    SendAccept();
    SendByte(PKT_CALL_ALERT, 0);
    ASSERT_TRUE(WaitEvent(kTalkAlertReceived));
    EXPECT_TRUE(WaitState(CALLSTATE_RECVALERT));
    SendByte(PKT_CALL_CONNECT, 0);
    ASSERT_TRUE(WaitEvent(kTalkMediaOpen));
    EXPECT_TRUE(WaitState(CALLSTATE_RECVCONNECT));
    EXPECT_TRUE(m_handler->IsMediaOpen());
    EXPECT_EQ(m_handler->GetMediaParams().audioCaptCodec, 4);
    // The 60 s ring watchdog was cancelled by the answer.
    Advance(kAlertWatchdogMs + 1000);
    EXPECT_EQ(CountInLog("Call setup timeout"), 0);
    SendReason(PKT_CALL_DISCONNECT, 0);
    ASSERT_TRUE(WaitEvent(kTalkDisconnectReceived));
    EXPECT_TRUE(WaitState(CALLSTATE_IDLE));
    EXPECT_THAT(EventCodes(), ElementsAre(kTalkLinkConnected, kTalkSetupQueued, kTalkAcceptReceived,
                                          kTalkAlertReceived, kTalkMediaOpen, kTalkDisconnectReceived));
    CloseAndWaitGone();
    // The link that closes after the hang-up does not turn the call into a lost one.
    CallRecord r = RecordOf(*m_records, kTestCallId);
    EXPECT_EQ(r.endKind, kEndRemoteHangup);
    EXPECT_EQ(r.listType, kDialledCall);
    EXPECT_NE(r.talkStart, 0u);
    EXPECT_EQ(EventCodes().size(), 6u) << "events after the call ended";
}

TEST_F(CallTest, CalledSideRingsAnswersAndHangsUp) {
    m_records->Add(0, 0, kTestCallId, "8002", "8001", kMissedCall, 0);
    ConnectAndSetup(false);
    SendAccept();
    TalkMessage alert = Expect(PKT_CALL_ALERT);
    EXPECT_EQ(alert.packet.size(), 13u);
    EXPECT_TRUE(WaitState(CALLSTATE_SENDALERT));
    // The owner hears of the ring on the network thread, just after the alert leaves.
    EXPECT_TRUE(WaitFor([&] { return m_owner.ringing.load() == m_handler; }));
    EXPECT_EQ(m_owner.RingingCaller(), "8002");
    ASSERT_NE(m_handler->DoCallConnect(), 0);
    Expect(PKT_CALL_CONNECT);
    EXPECT_TRUE(WaitState(CALLSTATE_SENDCONNECT));
    EXPECT_TRUE(m_handler->IsMediaOpen());
    Advance(kAlertAnswerMs + 1000);
    EXPECT_EQ(CountInLog("Call alert timeout"), 0) << "the answer left the alert pending";
    ASSERT_NE(m_handler->DoCallDisconnect(kReasonNormal), 0);
    TalkMessage bye = Expect(PKT_CALL_DISCONNECT);
    EXPECT_EQ(bye.packet.size(), 16u);
    EXPECT_EQ(Reason(bye), kReasonNormal);
    EXPECT_TRUE(WaitState(CALLSTATE_IDLE));
    EXPECT_THAT(EventCodes(), ElementsAre(kTalkSetupQueued, kTalkAcceptReceived, kTalkAlertSent, kTalkConnectSent,
                                          kTalkDisconnectSent));
    CallRecord r = RecordOf(*m_records, kTestCallId);
    EXPECT_EQ(r.listType, kReceivedCall);
    EXPECT_EQ(r.endKind, kEndLocalHangup);
    EXPECT_EQ(r.endReason, 2);
    // The talk server keeps the link: the handler ends itself a little later.
    Advance(kEndLingerMs + 1);
    EXPECT_TRUE(WaitGone());
    EXPECT_FALSE(m_server.Receive(2000)) << "the link stayed open";
}

TEST_F(CallTest, OffHookHandsetStillSendsTheSetupAndRefusesWith18) {
    SetHookStateSource([] { return 1; });
    ConnectAndSetup(false);
    EXPECT_EQ(CountInLog("the USB device is busy"), 1);
    SendAccept();
    TalkMessage bye = Expect(PKT_CALL_DISCONNECT);
    EXPECT_EQ(Reason(bye), kReasonHandsetBusy);
    ASSERT_EQ(m_owner.Forwards().size(), 1u); // asked, but no busy forwarding is set
    EXPECT_EQ(m_owner.Forwards()[0].type, kCallForwardBusy);
    EXPECT_TRUE(EventCodes().empty()) << "a refused call showed events";
    EXPECT_TRUE(WaitState(CALLSTATE_IDLE));
}

TEST_F(CallTest, OffHookHandsetHandsABusyCallToForwarding) {
    SetHookStateSource([] { return 1; });
    m_owner.forwardResult = 1;
    ConnectAndSetup(false);
    SendAccept();
    TalkMessage hold = Expect(PKT_CALL_HOLD);
    EXPECT_EQ(Reason(hold), kReasonBusy);
    ASSERT_EQ(m_owner.Forwards().size(), 1u);
    ForwardRequest f = m_owner.Forwards()[0];
    EXPECT_EQ(f.type, kCallForwardBusy);
    EXPECT_EQ(f.servId, kTestServId);
    EXPECT_EQ(f.callId, kTestCallId);
    EXPECT_EQ(f.caller, "8002");
    EXPECT_TRUE(m_server.Quiet(300)) << "a forwarded call was also disconnected";
}

TEST_F(CallTest, NoForwardFlagDisconnectsABusyCall) {
    SetHookStateSource([] { return 1; });
    m_owner.forwardResult = 1;
    StartCall(false, true, 1);
    Expect(PKT_TALK_KEEPALIVE);
    Advance(kSetupDelayMs + 1);
    Expect(PKT_CALL_SETUP);
    SendAccept();
    EXPECT_EQ(Reason(Expect(PKT_CALL_DISCONNECT)), kReasonHandsetBusy);
    EXPECT_TRUE(m_owner.Forwards().empty());
}

TEST_F(CallTest, CallArrivingDuringAnotherCallIsRefusedAsBusyAfterTheAccept) {
    SetCallState(CALLSTATE_SENDREQUEST, true); // this client is placing a call of its own
    ConnectAndSetup(false);
    EXPECT_EQ(CountInLog("SetCallState(CALLSTATE_SENDSETUP) failed CurState=2"), 1);
    SendAccept();
    EXPECT_EQ(Reason(Expect(PKT_CALL_DISCONNECT)), kReasonBusy);
    EXPECT_EQ(GetCallState(), CALLSTATE_SENDREQUEST) << "the refused call touched the other call's state";
    EXPECT_TRUE(EventCodes().empty());
}

TEST_F(CallTest, ThirtyOneDigitsLeaveAs15Then15Then1) {
    ConnectAndSetup(true);
    const std::string digits = "1234567890123456789012345678901";
    ASSERT_NE(m_handler->DoCallDTMF(digits), 0);
    std::string joined;
    std::vector<std::size_t> sizes;
    for (int i = 0; i < 3; ++i) {
        TalkMessage m = Expect(PKT_CALL_DTMF);
        ASSERT_EQ(m.packet.size(), 28u);
        std::string piece(reinterpret_cast<const char*>(m.packet.data() + 12), strnlen(reinterpret_cast<const char*>(m.packet.data() + 12), 16));
        EXPECT_EQ(m.packet[27], 0) << "the digit field is not terminated";
        sizes.push_back(piece.size());
        joined += piece;
    }
    EXPECT_THAT(sizes, ElementsAre(15u, 15u, 1u));
    EXPECT_EQ(joined, digits);
    EXPECT_EQ(CountInLog("DoCallDTMF num=" + digits), 1);
    EXPECT_EQ(CountInLog("DoCallDTMF num=" + digits.substr(30) + "\n"), 1);
    EXPECT_NE(m_handler->DoCallDTMF(""), 0);
    EXPECT_TRUE(m_server.Quiet(200)) << "an empty digit string was sent";
}

TEST_F(CallTest, AcceptWithBothPeerAddressesZeroNeverOpensMedia) {
    ConnectAndSetup(true);
    SendAccept(0);
    SendByte(PKT_CALL_ALERT, 0);
    SendByte(PKT_CALL_CONNECT, 0);
    WaitLog("OnCallConnect");
    EXPECT_EQ(CountInLog("Peer audio recv ip and video recv ip are zero"), 1);
    EXPECT_FALSE(m_handler->IsMediaOpen());
    EXPECT_EQ(EventValues(kTalkMediaOpen).size(), 0u);
    EXPECT_TRUE(WaitState(CALLSTATE_RECVCONNECT));
}

TEST_F(CallTest, ConnectArrivingAfterTheUserHungUpOpensNoMedia) {
    ConnectAndSetup(true);
    SendAccept();
    SendByte(PKT_CALL_ALERT, 0);
    ASSERT_TRUE(WaitEvent(kTalkAlertReceived));
    m_handler->SetActive(false); // hung up here while the answer was under way
    SetCallState(CALLSTATE_IDLE, true);
    SendByte(PKT_CALL_CONNECT, 0);
    WaitLog("OnCallConnect");
    EXPECT_FALSE(m_handler->IsMediaOpen()) << "media opened on a call nothing will close";
    EXPECT_TRUE(WaitState(CALLSTATE_IDLE));
}

TEST_F(CallTest, HoldWithoutAnAnswerWithin15sEndsWithSetupTimeout) {
    ConnectAndSetup(true);
    SendAccept();
    SendByte(PKT_CALL_ALERT, 0);
    ASSERT_TRUE(WaitEvent(kTalkAlertReceived));
    SendReason(PKT_CALL_HOLD, 1);
    ASSERT_TRUE(WaitEvent(kTalkHoldReceived));
    EXPECT_EQ(EventValues(kTalkHoldReceived)[0], 1);
    Advance(kHoldWatchdogMs - 1000);
    EXPECT_EQ(CountInLog("Call setup timeout"), 0);
    Advance(1001);
    EXPECT_EQ(CountInLog("Call setup timeout"), 1);
    EXPECT_EQ(Reason(Expect(PKT_CALL_DISCONNECT)), kReasonSetupTimeout);
    std::vector<int> codes = EventCodes();
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[codes.size() - 2], kTalkDisconnectSent);
    EXPECT_EQ(codes.back(), kTalkSetupTimeout);
    EXPECT_TRUE(WaitState(CALLSTATE_IDLE));
    Advance(kAlertWatchdogMs);
    EXPECT_EQ(CountInLog("Call setup timeout"), 1) << "the ring watchdog outlived the hold";
}

TEST_F(CallTest, CallerWithoutAcceptTimesOut15sAfterTheSetupLeft) {
    ConnectAndSetup(true);
    Advance(kSetupAnswerMs - 500);
    EXPECT_EQ(CountInLog("Call setup timeout"), 0);
    Advance(1000);
    EXPECT_EQ(Reason(Expect(PKT_CALL_DISCONNECT)), kReasonSetupTimeout);
    EXPECT_EQ(EventCodes().back(), kTalkSetupTimeout);
}

TEST_F(CallTest, UnansweredRingingAsksForNoAnswerForwardingThenDisconnectsWith16) {
    ConnectAndSetup(false);
    SendAccept();
    Expect(PKT_CALL_ALERT);
    Advance(kAlertAnswerMs + 1);
    EXPECT_EQ(CountInLog("Call alert timeout"), 1);
    EXPECT_EQ(Reason(Expect(PKT_CALL_DISCONNECT)), kReasonNoAnswer);
    ASSERT_EQ(m_owner.Forwards().size(), 1u);
    EXPECT_EQ(m_owner.Forwards()[0].type, kCallForwardNoAnswer);
    std::vector<int> codes = EventCodes();
    EXPECT_EQ(codes[codes.size() - 2], kTalkDisconnectSent);
    EXPECT_EQ(codes.back(), kTalkAlertTimeout);
    EXPECT_TRUE(WaitState(CALLSTATE_IDLE));
}

TEST_F(CallTest, LinkLostDuringTheTalkEndsTheCallAsLost) {
    m_records->Add(1, 0, kTestCallId, "8001", "8002", kDialledCall, 0);
    ConnectAndSetup(true);
    SendAccept();
    SendByte(PKT_CALL_ALERT, 0);
    SendByte(PKT_CALL_CONNECT, 0);
    ASSERT_TRUE(WaitEvent(kTalkMediaOpen));
    CloseAndWaitGone();
    EXPECT_EQ(EventCodes().back(), kTalkLinkClosed);
    EXPECT_TRUE(WaitState(CALLSTATE_IDLE));
    EXPECT_EQ(RecordOf(*m_records, kTestCallId).endKind, kEndLinkLost);
    EXPECT_GT(m_owner.gone.load(), m_goneBefore);
}

TEST_F(CallTest, FrameAnnouncingMoreThanATalkMessageDropsTheLinkBeforeItsPayload) {
    ConnectAndSetup(true);
    SendAccept();
    // A frame header announcing 64 MiB, then the first bytes of that payload.
    std::vector<std::uint8_t> head = {0xFD, 0xFD, 0xFD, 0, 0, 0, 0, 4};
    head.resize(8 + 4096, 0x55);
    ASSERT_TRUE(m_server.SendRaw(head));
    ASSERT_TRUE(WaitEvent(kTalkLinkClosed));
    EXPECT_TRUE(WaitState(CALLSTATE_IDLE));
    // The client took nothing more in: the rest of the announced payload cannot be delivered.
    const std::vector<std::uint8_t> more(1 << 20, 0x55);
    bool dropped = false;
    for (int i = 0; i < 64 && !dropped; ++i) dropped = !m_server.SendRaw(more);
    EXPECT_TRUE(dropped);
    EXPECT_TRUE(WaitGone());
}

TEST_F(CallTest, RefusedConnectionIsALinkClosedBeforeItWasConnected) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    // Bound but never listening: a connection is refused, and while the socket stays open
    // no other test can take the port.
    SetCallState(CALLSTATE_SENDREQUEST, true);
    TalkEstablish n = Notice(true);
    n.talkServPort = ntohs(addr.sin_port);
    m_handler = new TalkServHandler("8001", "8002", "8001", &m_owner, n, 0, false);
    m_handler->Start();
    ASSERT_TRUE(WaitEvent(kTalkLinkClosedEarly));
    EXPECT_TRUE(WaitState(CALLSTATE_IDLE));
    EXPECT_TRUE(WaitGone());
    close(s);
}

TEST_F(CallTest, ConnectTimeoutWhenNoLinkCouldBeMade) {
    // The configured stream port is taken (the talk server listens on it): no link at all.
    m_config->Comm().autoAlloc = 0;
    m_config->Comm().orvPort = m_server.Port();
    m_records->Add(1, 0, kTestCallId, "8001", "8002", kDialledCall, 0);
    StartCall(true, false);
    EXPECT_EQ(CountInLog("TalkServHandler Manual Alloc TCP Failed"), 1);
    Advance(kConnectTimeoutMs - 1000);
    EXPECT_EQ(CountInLog("Tcp connect timeout"), 0);
    Advance(1001);
    EXPECT_EQ(CountInLog("Tcp connect timeout"), 1);
    EXPECT_THAT(EventCodes(), ElementsAre(kTalkConnectTimeout));
    EXPECT_TRUE(WaitState(CALLSTATE_IDLE));
    EXPECT_EQ(RecordOf(*m_records, kTestCallId).endKind, kEndLinkLost);
    EXPECT_TRUE(WaitGone());
}

TEST_F(CallTest, VideoPauseGoesBothWays) {
    ConnectAndSetup(true);
    ASSERT_NE(m_handler->DoCallPauseVideo(true), 0);
    TalkMessage pause = Expect(PKT_CALL_PAUSE_VIDEO);
    EXPECT_EQ(pause.packet.size(), 13u);
    EXPECT_EQ(pause.packet[12], 1);
    EXPECT_EQ(CountInLog("DoCallPauseVideo pause=TRUE"), 1);
    SendByte(PKT_CALL_PAUSE_VIDEO, 0);
    ASSERT_TRUE(WaitEvent(kTalkPauseVideoReceived));
    EXPECT_EQ(EventValues(kTalkPauseVideoReceived)[0], 0);
    EXPECT_EQ(CountInLog("OnCallPauseVideo pause=FALSE"), 1);
}

TEST_F(CallTest, KeepAliveRepeatsEvery30sUntilAnswered) {
    ConnectAndSetup(true);
    SendAccept();
    ASSERT_TRUE(WaitEvent(kTalkAcceptReceived));
    Advance(kTalkKeepAliveMs - kSetupDelayMs);
    TalkMessage second = Expect(PKT_TALK_KEEPALIVE);
    EXPECT_EQ(second.packet.size(), 12u);
    m_server.Send(TalkPacket(PKT_TALK_KEEPALIVE, second.seqNum, kTestCallId, {}));
    SendByte(PKT_CALL_PAUSE_VIDEO, 1);
    ASSERT_TRUE(WaitEvent(kTalkPauseVideoReceived));
    Advance(kTalkKeepAliveMs + 1);
    std::optional<TalkMessage> next = m_server.Receive(300);
    EXPECT_TRUE(!next || next->type != PKT_TALK_KEEPALIVE) << "an answered keep-alive was sent again";
}

TEST_F(CallTest, HostileMessagesAreLoggedAndDropped) {
    ConnectAndSetup(true);
    m_server.Send(TalkPacket(PKT_CALL_ALERT, 0, kTestCallId + 1, U8(0)));
    WaitLog("OnRecv Error(Error Call ID)");
    m_server.Send(TalkPacket(PKT_CALL_ACCEPT, 0, kTestCallId, U32(1))); // 16 of 38 bytes
    WaitLog("TalkServHandler OnRecv Error(Error Packet Size)");
    std::vector<std::uint8_t> lying = TalkPacket(PKT_CALL_ALERT, 0, kTestCallId, U8(0));
    PutU16LE(lying.data() + 2, 200);
    m_server.Send(lying);
    m_server.Send({1, 2, 3});
    m_server.Send(TalkPacket(0x0A77, 0, kTestCallId, {}));
    WaitLog("Unknow Talk Message");
    EXPECT_TRUE(EventCodes() == std::vector<int>({kTalkLinkConnected, kTalkSetupQueued}));
    EXPECT_TRUE(WaitState(CALLSTATE_SENDREQUEST));
    SendByte(PKT_CALL_ALERT, 0); // still listening
    EXPECT_TRUE(WaitEvent(kTalkAlertReceived));
}

TEST_F(CallTest, NotRegisteredRefusesEveryRequestWithItsLogLine) {
    ConnectAndSetup(true);
    EndpointID.store(0);
    EXPECT_EQ(m_handler->DoCallDTMF("1"), 0);
    EXPECT_EQ(m_handler->DoCallDisconnect(0), 0);
    EXPECT_EQ(m_handler->DoCallConnect(), 0);
    m_handler->OpenUDPChannel();
    EXPECT_EQ(CountInLog("DoCallDTMF Local EndpointID=0, means not registered"), 1);
    EXPECT_EQ(CountInLog("DoCallDisconnect Local EndpointID=0, means not registered"), 1);
    EXPECT_EQ(CountInLog("OpenUDPChannel Local EndpointID=0, means not registered"), 1);
    char prefix[32];
    std::snprintf(prefix, sizeof(prefix), "(0x%08x:%d)DoCallConnect",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(m_handler)), static_cast<int>(kTestCallId));
    EXPECT_EQ(CountInLog(prefix), 1) << "per-call lines carry the handler and the call";
    EndpointID.store(kTestEndpoint);
}

} // namespace
} // namespace orv::test
