// Calls end to end: a real orvserver (user server, talk server, media rendezvous) and real
// orvcli processes on 127.0.0.1 with the null sound device, each client with a home folder
// of its own. What each side shows is read from its event and text lines; the digits the
// talk server got are read from the server's "DTMF ..." lines. Every wait is bounded.
#include "server/options_db.h"
#include "server/subscriber_db.h"
#include "tests/e2e/service_processes.h"
#include "tests/server/test_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

constexpr int kWaitMs = 20000;
// The called side rings for 30 s before its alert time-out; the margin covers the setup.
constexpr int kRingTimeoutWaitMs = 45000;

struct Subscriber {
    const char* number;
    const char* password;
};
constexpr Subscriber kA{"8001", "1111"};
constexpr Subscriber kB{"8002", "2222"};
constexpr Subscriber kC{"8003", "3333"};

class CallE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartServerProcess(m_server, m_serverHome.Path(), {}, kWaitMs, &m_serverAddress))
            << m_server.Output();
        ASSERT_TRUE(m_server.WaitForLine("LISTEN talk tcp ", kWaitMs)) << m_server.Output();
    }

    // A logged-on orvcli for the subscriber.
    ChildProcess& Client(const Subscriber& who) {
        m_homes.push_back(std::make_unique<TestFolder>());
        m_clients.push_back(std::make_unique<ChildProcess>());
        ChildProcess& c = *m_clients.back();
        const TestFolder& home = *m_homes.back();
        // Without a settings file no speech codec is offered and every call fails to agree.
        std::ofstream(home.File("orvcli.cfg")) << "[Audio]\nCodec0=1\nCodec1=2\n";
        EXPECT_TRUE(StartClientProcess(c, home.Path(), m_serverAddress, who.number, who.password,
                                       {"--audio-device", "null"}, kWaitMs))
            << c.Output();
        EXPECT_TRUE(c.WriteLine("logon"));
        EXPECT_TRUE(c.WaitForLine("EVENT logon_complete", kWaitMs)) << c.Output();
        return c;
    }

    // Takes the next line that starts with prefix; the test fails with the output if none comes.
    static std::string Expect(ChildProcess& p, const std::string& prefix, int timeoutMs = kWaitMs) {
        if (HasFailure()) return {}; // one missing line is enough: no cascade of time-outs
        std::string line;
        EXPECT_TRUE(p.WaitForLine(prefix, timeoutMs, &line)) << "no \"" << prefix << "\" in:\n" << p.Output();
        return line;
    }
    // A call event of the given type with its message line.
    static void ExpectProgress(ChildProcess& p, int type, const std::string& text, int timeoutMs = kWaitMs) {
        Expect(p, "EVENT call_progress type=" + std::to_string(type) + " ", timeoutMs);
        if (!text.empty()) Expect(p, "TEXT " + text, timeoutMs);
    }
    static void ExpectIdle(ChildProcess& p) { Expect(p, "EVENT call_state state=0 "); }

    // caller calls callee, callee answers; both sides show the talk.
    void Connect(ChildProcess& caller, const Subscriber& from, ChildProcess& callee, const std::string& dialled) {
        const std::string to = dialled.substr(0, dialled.find('*'));
        ASSERT_TRUE(caller.WriteLine("call " + dialled));
        ExpectProgress(caller, 1, "Calling: " + dialled);
        ExpectProgress(callee, 6, std::string("Incoming: ") + from.number);
        ExpectProgress(caller, 5, "Ringing: " + dialled);
        ASSERT_TRUE(callee.WriteLine("answer"));
        ExpectProgress(callee, 7, std::string("Talking: ") + from.number);
        ExpectProgress(caller, 8, "Talking: " + dialled);
    }

    // The subscriber's forwarding settings, written to the server's database as the server
    // runs (the server reads them at each call).
    void SetForwarding(const std::string& number, const ForwardSettings& settings) {
        std::string error;
        std::unique_ptr<SubscriberDb> db = SubscriberDb::Open(m_serverHome.File(kSubscriberDbName), &error);
        ASSERT_NE(db, nullptr) << error;
        OptionsDb options(*db);
        ASSERT_TRUE(options.SetForward(number, settings)) << options.LastError();
    }

    static bool HasRecord(ChildProcess& p, const std::string& list, const std::string& caller,
                          const std::string& called) {
        if (HasFailure()) return false;
        EXPECT_TRUE(p.WriteLine("call-records"));
        std::string line;
        const std::string wanted = "EVENT call_record list=" + list + " caller=" + caller + " called=" + called + " ";
        bool found = false;
        while (p.WaitForLine("EVENT call_record", kWaitMs, &line)) {
            if (line.rfind("EVENT call_records ", 0) == 0) break;
            if (line.rfind(wanted, 0) == 0) found = true;
        }
        return found;
    }

    TestFolder m_serverHome;
    ChildProcess m_server;
    std::string m_serverAddress;
    std::vector<std::unique_ptr<TestFolder>> m_homes;
    std::vector<std::unique_ptr<ChildProcess>> m_clients;
};

TEST_F(CallE2eTest, CallRingAnswerTalkAndHangUpFromEitherSide) {
    ChildProcess& a = Client(kA);
    ChildProcess& b = Client(kB);

    // 8001 calls, 8002 answers and hangs up.
    Connect(a, kA, b, "8002");
    ASSERT_TRUE(b.WriteLine("call-status"));
    EXPECT_NE(Expect(b, "EVENT call_status ").find(" talking=1 "), std::string::npos);
    ASSERT_TRUE(b.WriteLine("hangup"));
    ExpectProgress(b, 4, "Hangup");
    ExpectProgress(a, 3, "Hangup: 8002");
    ExpectIdle(a);
    ExpectIdle(b);
    EXPECT_NE(Expect(m_server, "CALL id=").find("caller=8001 called=8002"), std::string::npos);

    // 8002 calls back, 8001 answers, and this time the caller hangs up.
    Connect(b, kB, a, "8001");
    ASSERT_TRUE(b.WriteLine("hangup"));
    ExpectProgress(b, 4, "Hangup");
    ExpectProgress(a, 3, "Hangup: 8002");
    ExpectIdle(a);
    ExpectIdle(b);
    EXPECT_NE(Expect(m_server, "CALL id=").find("caller=8002 called=8001"), std::string::npos);

    EXPECT_TRUE(HasRecord(a, "dialled", "8001", "8002")) << a.Output();
    EXPECT_TRUE(HasRecord(a, "received", "8002", "8001")) << a.Output();
    EXPECT_TRUE(HasRecord(b, "received", "8001", "8002")) << b.Output();
    EXPECT_TRUE(HasRecord(b, "dialled", "8002", "8001")) << b.Output();
}

TEST_F(CallE2eTest, RefusedCallsShowTheirReasons) {
    ChildProcess& a = Client(kA);

    ASSERT_TRUE(a.WriteLine("call 8003")); // a subscriber who is not logged on
    ExpectProgress(a, 2, "8003 is offline");
    ASSERT_TRUE(a.WriteLine("call 8555")); // nobody has this number
    ExpectProgress(a, 2, "ORV number does not exist");

    // The called side refuses while it rings.
    ChildProcess& b = Client(kB);
    ASSERT_TRUE(a.WriteLine("call 8002"));
    ExpectProgress(b, 6, "Incoming: 8001");
    ExpectProgress(a, 5, "Ringing: 8002");
    ASSERT_TRUE(b.WriteLine("hangup"));
    ExpectProgress(a, 3, "Refused: 8002");
    ExpectIdle(a);
    ExpectIdle(b);

    // A third party calls one of two who talk.
    Connect(a, kA, b, "8002");
    ChildProcess& c = Client(kC);
    ASSERT_TRUE(c.WriteLine("call 8001"));
    ExpectProgress(c, 2, "Busy: 8001");
    ASSERT_TRUE(a.WriteLine("hangup"));
    ExpectProgress(b, 3, "Hangup: 8001");
    EXPECT_TRUE(HasRecord(c, "dialled", "8003", "8001")) << c.Output();
}

TEST_F(CallE2eTest, UnansweredCallTimesOutOnTheCalledSide) {
    ChildProcess& a = Client(kA);
    ChildProcess& b = Client(kB);
    ASSERT_TRUE(a.WriteLine("call 8002"));
    ExpectProgress(b, 6, "Incoming: 8001");
    ExpectProgress(b, 10, "Ring timeout", kRingTimeoutWaitMs);
    ExpectProgress(a, 3, "", kRingTimeoutWaitMs);
    ExpectIdle(a);
    ExpectIdle(b);
    EXPECT_TRUE(HasRecord(b, "missed", "8001", "8002")) << b.Output();
    EXPECT_TRUE(HasRecord(a, "dialled", "8001", "8002")) << a.Output();
}

TEST_F(CallE2eTest, UnansweredCallIsForwardedToTheNoAnswerNumber) {
    ForwardSettings forward;
    forward.enabled = true;
    forward.noAnswer = "8003";
    SetForwarding("8002", forward);
    ChildProcess& a = Client(kA);
    ChildProcess& b = Client(kB);
    ChildProcess& c = Client(kC);

    ASSERT_TRUE(a.WriteLine("call 8002"));
    ExpectProgress(b, 6, "Incoming: 8001");
    ExpectProgress(a, 5, "Ringing: 8002");
    // 8002 does not answer: it hands the call on when its ringing times out.
    ExpectProgress(b, 10, "Ring timeout", kRingTimeoutWaitMs);
    ExpectProgress(a, 23, "Call Forwarding", kWaitMs);
    ExpectProgress(c, 6, "Incoming: 8001");
    ASSERT_TRUE(c.WriteLine("answer"));
    ExpectProgress(c, 7, "Talking: 8001");
    ExpectProgress(a, 8, "Talking: 8002");
    ASSERT_TRUE(c.WriteLine("hangup"));
    ExpectProgress(a, 3, "");
    ExpectIdle(a);
    ExpectIdle(c);
    const std::string record = Expect(m_server, "CALL id=");
    EXPECT_NE(record.find("caller=8001 called=8003 original=8002"), std::string::npos) << record;
    EXPECT_TRUE(HasRecord(b, "missed", "8001", "8002")) << b.Output();
    EXPECT_TRUE(HasRecord(c, "received", "8001", "8003")) << c.Output();
}

TEST_F(CallE2eTest, DigitsReachTheTalkServerInOrderAndInPacketsOfFifteen) {
    ChildProcess& a = Client(kA);
    ChildProcess& b = Client(kB);
    // The extension after "*" goes as digits 3 s after the media opened.
    Connect(a, kA, b, "8002*77");
    Expect(a, "EVENT dtmf_sent digits=77 extension=1");
    EXPECT_NE(Expect(m_server, "DTMF call=").find("from=8001 digits=77"), std::string::npos);

    // 21 digits typed at once leave within a second as 15 and 6.
    ASSERT_TRUE(a.WriteLine("dtmf 123456789012345678901"));
    Expect(a, "EVENT dtmf_sent digits=123456789012345678901");
    std::string first = Expect(m_server, "DTMF call=");
    std::string second = Expect(m_server, "DTMF call=");
    EXPECT_NE(first.find("from=8001 digits=123456789012345"), std::string::npos) << first;
    EXPECT_EQ(first.substr(first.find("digits=")), "digits=123456789012345") << first;
    EXPECT_EQ(second.substr(second.find("digits=")), "digits=678901") << second;

    ASSERT_TRUE(a.WriteLine("dtmf #*0"));
    Expect(a, "EVENT dtmf_sent digits=#*0");
    EXPECT_NE(Expect(m_server, "DTMF call=").find("from=8001 digits=#*0"), std::string::npos);
    ASSERT_TRUE(b.WriteLine("dtmf 9"));
    EXPECT_NE(Expect(m_server, "DTMF call=").find("from=8002 digits=9"), std::string::npos);

    ASSERT_TRUE(a.WriteLine("dtmf 12x"));
    Expect(a, "EVENT error command=\"dtmf 12x\"");
    ASSERT_TRUE(a.WriteLine("hangup"));
    ExpectIdle(a);
    // The server keeps the call's digits in order; the peer never got any of them.
    std::string record = Expect(m_server, "CALL id=");
    EXPECT_NE(record.find("digits=77123456789012345678901#*09"), std::string::npos) << record;
    EXPECT_EQ(b.Output().find("digits=77"), std::string::npos);
    EXPECT_EQ(b.Output().find("digits=123"), std::string::npos);
}

} // namespace
} // namespace orv
