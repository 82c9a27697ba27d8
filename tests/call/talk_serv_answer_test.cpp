// The talk-server handler around the answer: what may open a call's media (only a call that
// was set up and answered here), the answer racing the ringing's time-out, and the codecs a
// settings file offers in the setup.
#include "client/call/call_state.h"
#include "tests/call/call_fixture.h"
#include "tests/handlers/fake_user_server.h"
#include "wire/packet_header.h"

#include <fstream>
#include <string>

namespace orv::test {
namespace {

TEST_F(CallTest, ConnectsOutsideAnAnsweredCallOpenNoMedia) {
    auto h323Connect = [this] {
        m_server.Send(TalkPacket(PKT_CALL_H323_CONNECT, 0, kTestCallId, MediaParamsBody(1, 0x0100007F, 40000, 40002)));
    };
    // Both connects from the talk peer, in a call state where nothing was answered here:
    // both are ignored, no media open, the state stays.
    auto connectsOpenNothing = [&](int state, const char* when) {
        const int connects = CountInLog(")OnCallConnect");
        h323Connect();
        SendByte(PKT_CALL_CONNECT, 0);
        ASSERT_TRUE(WaitFor([&] { return CountInLog(")OnCallConnect") == connects + 1; }));
        EXPECT_EQ(CountInLog("OnCallH323Connect ignored, CallState=" + std::to_string(state)), 1) << when;
        EXPECT_FALSE(m_handler->IsMediaOpen()) << "media opened " << when;
        EXPECT_EQ(GetCallState(), state) << when;
        EXPECT_TRUE(EventValues(kTalkMediaOpen).empty()) << when;
    };
    // A called-side notice that nobody asked for, and the talk peer connects at once; then
    // the call is set up and rings, not answered.
    ConnectAndSetup(false);
    connectsOpenNothing(CALLSTATE_IDLE, "on a call that was never set up");
    SendAccept();
    Expect(PKT_CALL_ALERT);
    connectsOpenNothing(CALLSTATE_SENDALERT, "while the call still rings");

    // The user's answer opens media; the peer's connect after it is taken.
    ASSERT_NE(m_handler->DoCallConnect(), 0);
    EXPECT_TRUE(m_handler->IsMediaOpen());
    h323Connect();
    ASSERT_TRUE(WaitEvent(kTalkMediaOpen));
    EXPECT_EQ(m_handler->GetMediaParams().audioCaptCodec, 1);
}

TEST_F(CallTest, AnAnswerWhileTheAlertIsStillBeingHandledWinsOverItsTimeOut) {
    // The alert's handling is stretched (as under load) right after the call became visible
    // as ringing, until the user's answer is under way.
    SetCallAlertHookForTest([] { WaitFor([] { return GetCallState() == CALLSTATE_SENDCONNECT; }); });
    ConnectAndSetup(false);
    SendAccept();
    ASSERT_TRUE(WaitFor([&] { return m_owner.ringing.load() == m_handler; }));
    EXPECT_NE(m_handler->DoCallConnect(), 0);
    ASSERT_TRUE(WaitLog("DoCallAlert"));
    SetCallAlertHookForTest(nullptr);
    std::vector<std::uint16_t> sent;
    for (int k = 0; k < 2; ++k)
        if (std::optional<TalkMessage> m = m_server.Receive()) sent.push_back(m->type);
    EXPECT_EQ(sent, (std::vector<std::uint16_t>{PKT_CALL_ALERT, PKT_CALL_CONNECT}));

    Advance(kAlertAnswerMs + 1000);
    EXPECT_EQ(CountInLog("Call alert timeout"), 0) << "the answer left the alert pending";
    // Even a time-out that fires while the answer is under way loses to it.
    m_handler->OnMsgTimeOut(TalkPacket(PKT_CALL_ALERT, 0, kTestCallId, U8(0)).data(), 13);
    EXPECT_EQ(CountInLog("Alert time-out after the answer: ignored"), 1);
    EXPECT_EQ(GetCallState(), CALLSTATE_SENDCONNECT);
    EXPECT_TRUE(m_handler->IsMediaOpen());
    std::optional<TalkMessage> more = m_server.Receive(200);
    EXPECT_TRUE(!more || more->type == PKT_TALK_KEEPALIVE) << "the answered call was ended";
}

TEST_F(CallTest, TheSetupOffersOnlyTheCodecsTheSettingsFileNames) {
    std::ofstream(m_config->SettingsFile()) << "[Audio]\nCodec0=1\n";
    m_config = std::make_unique<ClientConfig>(TestConfigEnvironment(m_home));
    m_config->Audio().device = "test sound";
    m_owner.config = m_config.get();
    TalkMessage setup = ConnectAndSetup(true);
    CallSetupInfo info;
    ASSERT_TRUE(ParseCallSetup(setup.packet.data(), setup.packet.size(), &info));
    EXPECT_EQ(info.audioCaptCodecs, std::vector<std::uint8_t>{1});
    EXPECT_EQ(info.audioPlayCodecs, std::vector<std::uint8_t>{1});
    EXPECT_EQ(CountInLog("DoCallSetup AudioCaptCodecCnt=1, AudioPlayCodecCnt=1,"), 1);
}

} // namespace
} // namespace orv::test
