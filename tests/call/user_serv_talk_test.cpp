// The talk side of the user-server session against a fake user server and a fake talk
// server: the talk request and its "*" rule, local refusal, hang-up before the answer,
// refused and established notices for both roles, answering and hanging up through the
// session, the relay of call events, and the call records.
#include "client/call/call_state.h"
#include "wire/talk_establish.h"
#include "client/data/call_record_list.h"
#include "tests/call/fake_talk_server.h"
#include "tests/handlers/session_fixture.h"

#include <chrono>
#include <thread>

namespace orv::test {
namespace {

constexpr std::uint32_t kCallId = 0x5151;

class TalkSideTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        SetCallState(CALLSTATE_IDLE, false);
        m_friendList = std::make_unique<FunctionWindow>([this](UINT message, WPARAM wParam, LPARAM) {
            if (message == WM_CALL_STATE) m_states.push_back(static_cast<int>(wParam));
            return LRESULT{0};
        });
        m_friendList->Create("friend list");
        m_handler->SetFriendListWindow(m_friendList->GetSafeHwnd());
        SetCallStateWindow(m_friendList->GetSafeHwnd());
        LogOn();
    }
    void TearDown() override {
        if (m_callStarted) {
            m_talk.CloseConnection();
            WaitLog("TalkServerHandle Destruct");
        }
        SetCallStateWindow(0);
        SetCallState(CALLSTATE_IDLE, false);
        m_friendList.reset();
        TakeMessages(); // posted blocks (timed-out request copies) are freed by the fixture
        SessionTest::TearDown();
    }
    std::vector<std::uint8_t> Establish(std::uint8_t role, std::uint8_t result = 0, std::int32_t reason = 0) {
        TalkEstablish n;
        n.result = result;
        n.callId = kCallId;
        n.reason = reason;
        n.callingNumber = role == kRoleCaller ? "8001" : "8003";
        n.role = role;
        n.servId = 9;
        n.talkServIP = 0x0100007F;
        n.talkServPort = m_talk.Port();
        n.peerAudioIP = 0x0100007F;
        n.peerAudioPort = m_rendezvous.Port();
        n.peerVideoIP = 0x0100007F;
        n.peerVideoPort = m_rendezvous.Port();
        std::vector<std::uint8_t> body(kTalkEstablishSize);
        BuildTalkEstablish(n, body.data());
        return body;
    }
    // The talk handler has connected and its setup left; returns the setup.
    TalkMessage Connected() {
        m_callStarted = true;
        EXPECT_TRUE(m_talk.Accept());
        std::optional<TalkMessage> keepAlive = m_talk.Receive();
        EXPECT_TRUE(keepAlive && keepAlive->type == 0);
        Advance(801);
        std::optional<TalkMessage> setup = m_talk.Receive();
        EXPECT_TRUE(setup && setup->type == 0x0A01);
        return setup ? *setup : TalkMessage{};
    }
    TalkMessage TalkExpect(std::uint16_t type) {
        std::optional<TalkMessage> m = m_talk.Receive();
        while (m && m->type == 0 && type != 0) m = m_talk.Receive();
        EXPECT_TRUE(m.has_value()) << "nothing from the talk handler";
        if (!m) return {};
        EXPECT_EQ(m->type, type);
        return *m;
    }
    void TalkSend(std::uint16_t type, const std::vector<std::uint8_t>& body) {
        m_talk.Send(TalkPacket(type, 0, kCallId, body));
    }
    // Pumps until a WM_USER+5 with this code reached the main window; returns its value.
    LPARAM WaitProgress(WPARAM code) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            for (const MSG& m : TakeMessages())
                if (m.message == WM_CALL_PROGRESS && m.wParam == code) return m.lParam;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ADD_FAILURE() << "call progress " << code << " did not arrive";
        return -12345;
    }
    std::vector<std::pair<WPARAM, LPARAM>> Progress() {
        std::vector<std::pair<WPARAM, LPARAM>> out;
        for (const MSG& m : TakeMessages())
            if (m.message == WM_CALL_PROGRESS) out.push_back({m.wParam, m.lParam});
        return out;
    }
    CallRecord LastRecord() {
        std::vector<CallRecord> all = m_records->Records();
        return all.empty() ? CallRecord{} : all.back();
    }

    std::unique_ptr<FunctionWindow> m_friendList;
    std::vector<int> m_states; // call states told to the friend list
    FakeTalkServer m_talk;
    FakeRendezvous m_rendezvous;
    bool m_callStarted = false;
};

TEST_F(TalkSideTest, ExtensionIsNotSentButShownAndRecorded) {
    ASSERT_NE(m_handler->DoTalkRequest("8002*123"), 0);
    Datagram request = Expect(PKT_TALK_REQUEST);
    ASSERT_EQ(request.payload.size(), 72u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(request.payload.data() + 8)), "8001");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(request.payload.data() + 40)), "8002");
    EXPECT_EQ(WaitProgress(kProgressCalling), 0);
    EXPECT_EQ(GetCallState(), CALLSTATE_SENDREQUEST);
    PeerBlock peer = m_handler->GetCurrentPeer();
    EXPECT_STREQ(peer.dialled, "8002*123");
    EXPECT_STREQ(peer.extension, "123");
    m_server.Send(PKT_TALK_ESTABLISH, request.seqNum, Establish(kRoleCaller));
    TalkMessage setup = Connected();
    CallRecord r = LastRecord();
    EXPECT_EQ(r.callId, kCallId);
    EXPECT_EQ(r.called, "8002*123");
    EXPECT_EQ(r.listType, kDialledCall);
    TalkServHandler* call = m_handler->LockCallHandler();
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->GetCalledID(), "8002*123");
    EXPECT_TRUE(call->IsCaller());
    m_handler->UnlockCallHandler();
}

TEST_F(TalkSideTest, RequestWhileACallIsUpIsRefusedLocally) {
    SetCallState(CALLSTATE_SENDALERT, false);
    EXPECT_EQ(m_handler->DoTalkRequest("8002"), 0);
    EXPECT_EQ(WaitProgress(kProgressRefusedLocally), 1);
    EXPECT_FALSE(m_server.Receive(300)) << "a refused request was sent";
    EXPECT_EQ(CountInLog("SetCallState(CALLSTATE_SENDREQUEST) failed CurState=3"), 1);
    std::string last = "unchanged";
    EXPECT_FALSE(m_handler->CallOrAnswer("8002", &last)) << "ringing without a call handler";
    EXPECT_EQ(last, "unchanged");
}

TEST_F(TalkSideTest, HangingUpBeforeTheAnswerCancelsTheRequest) {
    std::string last;
    ASSERT_TRUE(m_handler->CallOrAnswer("8002", &last));
    EXPECT_EQ(last, "8002");
    Datagram request = Expect(PKT_TALK_REQUEST);
    EXPECT_EQ(m_handler->EndTalk(), 1);
    EXPECT_EQ(WaitProgress(kProgressRequestCancelled), 0);
    EXPECT_EQ(GetCallState(), CALLSTATE_IDLE);
    for (int i = 0; i < 7; ++i) Advance(5001);
    EXPECT_EQ(CountInLog("TalkRequest Timeout"), 0);
    for (int i = 0; i < 10; ++i) {
        std::optional<Datagram> d = m_server.Receive(50);
        if (!d) break;
        EXPECT_NE(d->type, PKT_TALK_REQUEST) << "a cancelled request was resent";
    }
    CallRecord r = LastRecord();
    EXPECT_EQ(r.caller, "8001");
    EXPECT_EQ(r.called, "8002");
    EXPECT_EQ(r.listType, kDialledCall);
    EXPECT_EQ(r.endKind, kEndRequestCancelled);
    // A late answer to the cancelled request is not taken.
    m_server.Send(PKT_TALK_ESTABLISH, request.seqNum, Establish(kRoleCaller));
    WaitLog("Get TalkEstablish Packet, But Something seems Error in Local Packet list");
    EXPECT_EQ(m_handler->EndTalk(), 0);
}

TEST_F(TalkSideTest, RefusedNoticeEndsTheRequestWithTheReason) {
    m_handler->DoTalkRequest("8009");
    Datagram request = Expect(PKT_TALK_REQUEST);
    m_server.Send(PKT_TALK_ESTABLISH, request.seqNum, Establish(kRoleCaller, 255, -10));
    EXPECT_EQ(WaitProgress(kProgressRequestRefused), -10);
    EXPECT_EQ(GetCallState(), CALLSTATE_IDLE);
    CallRecord r = LastRecord();
    EXPECT_EQ(r.called, "8009");
    EXPECT_EQ(r.endReason, -10);
    EXPECT_EQ(r.endKind, kEndRequestRefused);
    m_server.Send(PKT_TALK_ESTABLISH, 1, std::vector<std::uint8_t>(40, 0)); // short
    WaitLog("OnTalkEstablish Error(NULL Pointer)");
}

TEST_F(TalkSideTest, RequestWithoutAnswerTimesOutAndFreesTheCallState) {
    m_handler->DoTalkRequest("8002");
    Expect(PKT_TALK_REQUEST);
    for (int i = 0; i < 5; ++i) Advance(5001);
    EXPECT_EQ(CountInLog("TalkRequest Timeout"), 0);
    // One time-out per pass: other unanswered requests of the logon may come first.
    for (int i = 0; i < 10 && CountInLog("TalkRequest Timeout") == 0; ++i) Advance(5001);
    WaitLog("TalkRequest Timeout");
    EXPECT_EQ(GetCallState(), CALLSTATE_IDLE);
    EXPECT_EQ(LastRecord().endKind, kEndRequestTimeout);
}

TEST_F(TalkSideTest, CallerRingsTalksAndHangsUpThroughTheSession) {
    m_handler->DoTalkRequest("8002");
    Datagram request = Expect(PKT_TALK_REQUEST);
    m_server.Send(PKT_TALK_ESTABLISH, request.seqNum, Establish(kRoleCaller));
    Connected();
    TalkSend(0x0A02, MediaParamsBody(1, 0x0100007F, 41000, 41002));
    TalkSend(0x0A03, {0});
    EXPECT_EQ(WaitProgress(5), 0); // remote rings
    TalkSend(0x0A04, {0});
    EXPECT_EQ(WaitProgress(8), 0); // media open
    EXPECT_EQ(GetCallState(), CALLSTATE_RECVCONNECT);
    ASSERT_NE(m_handler->DoCallDTMF("12#"), 0);
    TalkMessage digits = TalkExpect(0x0A06);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(digits.packet.data() + 12)), "12#");
    EXPECT_EQ(m_handler->EndTalk(), 1);
    TalkMessage bye = TalkExpect(0x0A05);
    EXPECT_EQ(bye.packet[12], 0);
    EXPECT_EQ(WaitProgress(4), 0); // ended locally
    EXPECT_EQ(GetCallState(), CALLSTATE_IDLE);
    TakeMessages();
    EXPECT_EQ(m_states.front(), CALLSTATE_SENDREQUEST) << "the friend list was not told";
    EXPECT_EQ(m_states.back(), CALLSTATE_IDLE);
    CallRecord r = LastRecord();
    EXPECT_EQ(r.endKind, 5u);
    EXPECT_NE(r.talkStart, 0u);
}

TEST_F(TalkSideTest, CalledSideIsAnsweredThenRefusedWhileRinging) {
    // A called-side notice comes unasked.
    m_server.Send(PKT_TALK_ESTABLISH, 4242, Establish(0));
    Connected();
    CallRecord r = LastRecord();
    EXPECT_EQ(r.caller, "8003");
    EXPECT_EQ(r.called, "8001");
    EXPECT_EQ(r.listType, kMissedCall);
    EXPECT_EQ(m_handler->LockCallHandler(), nullptr) << "the called side is current only once it rings";
    m_handler->UnlockCallHandler();
    TalkSend(0x0A02, MediaParamsBody(1, 0x0100007F, 41000, 41002));
    TalkExpect(0x0A03);
    EXPECT_EQ(WaitProgress(6), 0); // incoming call
    EXPECT_STREQ(m_handler->GetCurrentPeer().dialled, "8003");
    EXPECT_EQ(m_handler->EndTalk(), 1);
    TalkMessage bye = TalkExpect(0x0A05);
    EXPECT_EQ(bye.packet[12], 2); // refused
    EXPECT_EQ(GetCallState(), CALLSTATE_IDLE);
    m_talk.CloseConnection();
    WaitLog("TalkServerHandle Destruct");
    m_callStarted = false;
    EXPECT_EQ(m_handler->DoCallDTMF("1"), 0) << "digits without a call";
    EXPECT_EQ(CountInLog("DoCallDTMF Error"), 1);
}

TEST_F(TalkSideTest, CallButtonAnswersARingingCall) {
    m_server.Send(PKT_TALK_ESTABLISH, 4243, Establish(0));
    Connected();
    TalkSend(0x0A02, MediaParamsBody(1, 0x0100007F, 41000, 41002));
    TalkExpect(0x0A03);
    WaitProgress(6);
    EXPECT_TRUE(m_handler->CallOrAnswer("", nullptr));
    TalkExpect(0x0A04);
    EXPECT_EQ(WaitProgress(7), 0); // talking
    EXPECT_EQ(GetCallState(), CALLSTATE_SENDCONNECT);
    TalkSend(0x0A05, {0, 0, 0, 0});
    EXPECT_EQ(WaitProgress(3), 0); // ended by the peer, reason 0
    EXPECT_EQ(LastRecord().listType, kReceivedCall);
}

TEST_F(TalkSideTest, CallEventsAreRelayedUnderTheFrontEndCodes) {
    HWND session = m_handler->GetSafeHwnd();
    PostMessage(session, WM_TALK_EVENT, 22, 1);
    PostMessage(session, WM_TALK_EVENT, 12, 18);
    PostMessage(session, WM_TALK_EVENT, 1, 0);
    PostMessage(session, WM_TALK_EVENT, 15, 3);
    PostMessage(session, WM_CONF_EVENT, 21, 5);
    PostMessage(session, WM_CONF_EVENT, 22, 5);
    PostMessage(session, WM_TALK_EVENT, 13, 77);
    WaitProgress(9);
    std::vector<std::pair<WPARAM, LPARAM>> progress = Progress();
    std::vector<std::pair<WPARAM, LPARAM>> expected = {{23, 1}, {3, 18}, {15, 5}, {9, 0}};
    EXPECT_EQ(progress, expected);
    EXPECT_EQ(CountInLog("Unknow TalkServ Msg"), 1);
    EXPECT_EQ(CountInLog("Unknow ConfServ Msg"), 1);
}

} // namespace
} // namespace orv::test
