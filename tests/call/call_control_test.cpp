// The call controls below the front-ends: events for the call progress and the call state,
// the DTMF buffer paced at one send a second while talking, the extension digits after
// the media opened, the talk time. The timer manager runs on a test clock, passes driven
// by the test, so nothing here sleeps.
#include "client/call/call_state.h"
#include "client/net/msg_handler.h"
#include "client/text/text_table.h"
#include "client/core/call_control.h"
#include "client/core/client_core.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

struct Sent {
    std::string digits;
    std::uint32_t at;
};

class CallControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCallState(CALLSTATE_IDLE, false);
        timers = std::make_shared<CTimerManager>([this] { return now.load(); }, false);
        InstallTimerManager(timers);
        texts.Fill();
        texts.SetLanguage(kLanguageEnglish);
        CallPort port;
        port.talkRequest = [this](const std::string& dialled) {
            std::strncpy(peer.dialled, dialled.c_str(), kPeerFieldSize - 1);
            std::size_t star = dialled.find('*');
            if (star != std::string::npos)
                std::strncpy(peer.extension, dialled.substr(star + 1).c_str(), kPeerFieldSize - 1);
            requests.push_back(dialled);
            return 1;
        };
        port.sendDtmf = [this](const std::string& digits) {
            sent.push_back({digits, now.load()});
            return 1;
        };
        port.currentPeer = [this] { return peer; };
        std::strcpy(peer.name, "Bob");
        control = std::make_unique<CallControl>(
            port, texts, [this](CoreEvent e) { events.push_back(std::move(e)); }, [this] { return now.load(); });
    }
    void TearDown() override {
        control.reset();
        SetCallState(CALLSTATE_IDLE, false);
        Pump();
        InstallTimerManager(nullptr);
        timers->Stop();
    }

    static void Pump() {
        MSG m;
        while (PeekMessage(&m)) DispatchMessage(&m);
    }
    // Moves the test clock on in steps of 100 ms with a timer pass after each.
    void Advance(std::uint32_t ms) {
        for (std::uint32_t done = 0; done < ms; done += 100) {
            now += 100;
            timers->ScanOnce();
            Pump();
        }
    }
    void Progress(int code, LPARAM value = 0) {
        ASSERT_TRUE(control->OnCoreMessage(WM_USER + 5, static_cast<WPARAM>(code), value));
    }
    // Caller side through to the answer.
    void Talk() {
        SetCallState(CALLSTATE_SENDREQUEST, true);
        SetCallState(CALLSTATE_RECVALERT, true);
        SetCallState(CALLSTATE_RECVCONNECT, true);
        Progress(kCallMediaOpen);
    }
    std::vector<const CoreEvent*> Named(const std::string& name) const {
        std::vector<const CoreEvent*> out;
        for (const CoreEvent& e : events)
            if (e.name == name) out.push_back(&e);
        return out;
    }
    static std::string Field(const CoreEvent& e, const std::string& key) {
        for (const auto& [k, v] : e.fields)
            if (k == key) return v;
        return "<none>";
    }

    std::atomic<std::uint32_t> now{100000};
    std::shared_ptr<CTimerManager> timers;
    TextTable texts;
    PeerBlock peer;
    std::vector<std::string> requests;
    std::vector<Sent> sent;
    std::vector<CoreEvent> events;
    std::unique_ptr<CallControl> control;
};

TEST_F(CallControlTest, DigitsTypedWhileTalkingLeaveOnceASecond) {
    Talk();
    const std::uint32_t start = now;
    EXPECT_TRUE(control->Dtmf("12"));
    Advance(800);
    EXPECT_TRUE(sent.empty());
    Advance(800);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].digits, "12");
    EXPECT_GE(sent[0].at - start, kDtmfPeriodMs);
    EXPECT_LE(sent[0].at - start, kDtmfPeriodMs + CTimerManager::kScanPeriodMs + 100);

    EXPECT_TRUE(control->Dtmf("3"));
    EXPECT_TRUE(control->Dtmf("#*"));
    Advance(1600);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].digits, "3#*"); // gathered into one send, in the order typed
    Advance(5000);
    EXPECT_EQ(sent.size(), 2u); // an empty buffer sends nothing

    ASSERT_EQ(Named("dtmf_sent").size(), 2u);
    EXPECT_EQ(Field(*Named("dtmf_sent")[1], "digits"), "3#*");
}

TEST_F(CallControlTest, DigitsAreRefusedOutsideATalkAndTheTimersStopWithTheCall) {
    EXPECT_FALSE(control->Dtmf("1"));
    Talk();
    EXPECT_FALSE(control->Dtmf("12a")); // not a key: nothing is buffered
    EXPECT_FALSE(control->Dtmf(""));
    EXPECT_TRUE(control->Dtmf("9"));
    SetCallState(CALLSTATE_IDLE, true);
    Progress(kCallEndedLocal);
    EXPECT_EQ(timers->Count(), 0u);
    EXPECT_FALSE(control->Dtmf("1"));
    Advance(3000);
    EXPECT_TRUE(sent.empty()); // the digit typed before the end went with the call
}

TEST_F(CallControlTest, ExtensionDigitsFollowTheMediaOpenOnce) {
    ASSERT_TRUE(control->Call("8002*123"));
    EXPECT_EQ(requests, std::vector<std::string>{"8002*123"});
    Talk();
    Advance(2900);
    EXPECT_TRUE(sent.empty());
    Advance(700);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].digits, "123");
    ASSERT_EQ(Named("dtmf_sent").size(), 1u);
    EXPECT_EQ(Field(*Named("dtmf_sent")[0], "extension"), "1");
    Advance(7000);
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(timers->Count(), 1u); // only the DTMF buffer's timer runs on
}

TEST_F(CallControlTest, AnExtensionBeginningWithAStarIsNotSent) {
    ASSERT_TRUE(control->Call("8002**5"));
    Talk();
    Advance(7000);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(timers->Count(), 1u);
}

TEST_F(CallControlTest, ProgressEventsCarryTextToneViewAndState) {
    ASSERT_TRUE(control->Call("8002"));
    SetCallState(CALLSTATE_SENDREQUEST, true);
    Progress(kCallCalling);
    SetCallState(CALLSTATE_RECVALERT, true);
    Progress(kCallRemoteRings);
    SetCallState(CALLSTATE_RECVDISCONNECT, true);
    SetCallState(CALLSTATE_IDLE, true);
    Progress(kCallEndedRemote, 1);
    Pump();

    auto progress = Named("call_progress");
    ASSERT_EQ(progress.size(), 3u);
    EXPECT_EQ(progress[0]->text, "Calling: 8002 Bob");
    EXPECT_EQ(Field(*progress[0], "view"), "calling");
    EXPECT_EQ(Field(*progress[0], "state"), "2");
    EXPECT_EQ(progress[1]->text, "Ringing: 8002 Bob");
    EXPECT_EQ(Field(*progress[1], "tone"), "IDR_WAVERING");
    EXPECT_EQ(progress[2]->text, "Busy: 8002 Bob");
    EXPECT_EQ(Field(*progress[2], "tone"), "IDR_WAVEBUSY");
    EXPECT_EQ(Field(*progress[2], "call_end"), "1");
    EXPECT_EQ(Field(*progress[2], "view"), "ended");
    EXPECT_EQ(Field(*progress[2], "reason"), "1");

    std::vector<std::string> states;
    for (const CoreEvent* e : Named("call_state")) states.push_back(Field(*e, "name"));
    EXPECT_EQ(states, (std::vector<std::string>{"CALLSTATE_SENDREQUEST", "CALLSTATE_RECVALERT",
                                                "CALLSTATE_RECVDISCONNECT", "CALLSTATE_IDLE"}));
    EXPECT_EQ(control->Progress().lastNumber, "8002");
}

TEST_F(CallControlTest, IncomingCallAlertsAndTheTalkTimeStaysAfterTheEnd) {
    std::strcpy(peer.dialled, "8001");
    SetCallState(CALLSTATE_SENDALERT, false);
    Progress(kCallIncoming);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().text, "Incoming: 8001 Bob");
    EXPECT_EQ(Field(events.back(), "incoming"), "1");
    EXPECT_EQ(Field(events.back(), "tone"), "IDR_WAVEALERT");
    EXPECT_EQ(control->Progress().view, CallView::Incoming);

    SetCallState(CALLSTATE_SENDCONNECT, false);
    Progress(kCallTalking);
    EXPECT_EQ(Field(events.back(), "talk_start"), "1");
    EXPECT_EQ(Field(events.back(), "tone"), "silence");
    Advance(65000);
    EXPECT_EQ(control->Progress().talkSeconds, 65u);
    EXPECT_TRUE(control->Progress().talking);
    SetCallState(CALLSTATE_IDLE, false);
    Progress(kCallEndedRemote, 0);
    EXPECT_EQ(events.back().text, "Hangup: 8001 Bob");
    Advance(3000);
    EXPECT_FALSE(control->Progress().talking);
    EXPECT_EQ(control->Progress().talkSeconds, 65u);
}

TEST_F(CallControlTest, RedialNeedsANumberCalledBefore) {
    EXPECT_FALSE(control->Redial());
    EXPECT_FALSE(control->Call(""));
    ASSERT_TRUE(control->Call("8003"));
    ASSERT_TRUE(control->Redial());
    EXPECT_EQ(requests, (std::vector<std::string>{"8003", "8003"}));
}

TEST_F(CallControlTest, OtherMessagesAreLeftToOtherSinks) {
    EXPECT_FALSE(control->OnCoreMessage(WM_USER + 6, 0, 0));
    EXPECT_FALSE(control->OnCoreMessage(WM_USER + 10, 0x201, 0));
    EXPECT_TRUE(events.empty());
}

} // namespace
} // namespace orv

namespace orv {
namespace {

// The timer manager's own thread fires the DTMF timer and posts to the component's window,
// while the component is used and finally destroyed on this thread.
TEST(CallControlThreads, TheTimerThreadOnlyPostsAndTheEndWaitsForIt) {
    SetCallState(CALLSTATE_IDLE, false);
    auto timers = std::make_shared<CTimerManager>();
    InstallTimerManager(timers);
    TextTable texts;
    std::vector<std::string> sent;
    CallPort port;
    port.sendDtmf = [&](const std::string& digits) {
        sent.push_back(digits);
        return 1;
    };
    auto control = std::make_unique<CallControl>(port, texts, [](CoreEvent) {});
    SetCallState(CALLSTATE_SENDREQUEST, true);
    SetCallState(CALLSTATE_SENDCONNECT, true);
    ASSERT_TRUE(control->OnCoreMessage(WM_USER + 5, kCallTalking, 0));
    ASSERT_TRUE(control->Dtmf("5"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    MSG m;
    while (sent.empty() && std::chrono::steady_clock::now() < deadline) {
        if (GetMessageTimeout(&m, 100)) DispatchMessage(&m);
    }
    EXPECT_EQ(sent, std::vector<std::string>{"5"});
    control.reset(); // its next timer is still registered
    SetCallState(CALLSTATE_IDLE, false);
    InstallTimerManager(nullptr);
    timers->Stop();
}

} // namespace
} // namespace orv
