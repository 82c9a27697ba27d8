// The handset end to end: a real orvserver, an orvcli with the virtual handset driven by a
// real handsetctl, and a second orvcli to call and be called. The handset's keys dial, its
// hook answers and hangs up, its ringer rings, and an account bound to the handset logs on
// only with it.
#include "client/handset/handset_memory.h"
#include "tests/e2e/service_processes.h"
#include "tests/server/test_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

namespace orv {
namespace {

constexpr int kWaitMs = 20000;
constexpr std::uint8_t kKeyByte = 0x5A;
constexpr std::uint32_t kCustomer = 0x00C0FFEE;

// A handset fresh from the factory: key byte and customer number set, no number bound.
void WriteFactoryMemory(const std::string& path) {
    std::uint16_t words[64];
    for (auto& w : words) w = 0xFFFF;
    words[0] = MakeKeyWord({kKeyByte, 0});
    CustomerNumberToWords(kCustomer, kKeyByte, &words[5], &words[6]);
    std::ofstream out(path, std::ios::binary);
    for (std::uint16_t w : words) out.put(static_cast<char>(w & 0xFF)).put(static_cast<char>(w >> 8));
}

class HandsetE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartServerProcess(m_server, m_serverHome.Path(), {}, kWaitMs, &m_serverAddress))
            << m_server.Output();
        ASSERT_TRUE(m_server.WaitForLine("LISTEN talk tcp ", kWaitMs)) << m_server.Output();
    }

    bool StartClient(ChildProcess& c, const TestFolder& home, const char* number, const char* password,
                     bool handset) {
        std::ofstream(home.File("orvcli.cfg")) << "[Audio]\nCodec0=1\nCodec1=2\n";
        std::vector<std::string> extra = {"--audio-device", "null"};
        if (handset) extra.push_back("--handset");
        return StartClientProcess(c, home.Path(), m_serverAddress, number, password, extra, kWaitMs);
    }

    static void Expect(ChildProcess& p, const std::string& prefix) {
        EXPECT_TRUE(p.WaitForLine(prefix, kWaitMs)) << "no \"" << prefix << "\" in:\n" << p.Output();
    }
    // One handsetctl command, answered "ok".
    void Control(const std::string& line) {
        ASSERT_TRUE(m_control.WriteLine(line));
        std::string answer;
        ASSERT_TRUE(m_control.WaitForLine("", kWaitMs, &answer)) << line;
        EXPECT_EQ(answer.substr(0, 2), "ok") << line << ": " << answer;
    }

    TestFolder m_serverHome;
    ChildProcess m_server;
    std::string m_serverAddress;
    ChildProcess m_control;
};

TEST_F(HandsetE2eTest, KeysDialHookAnswersAndHangsUpRingerRingsAndBindingNeedsTheHandset) {
    TestFolder homeA;
    TestFolder homeB;
    WriteFactoryMemory(homeA.File("handset_memory.bin"));
    ChildProcess a;
    ChildProcess b;
    ASSERT_TRUE(StartClient(a, homeA, "8001", "1111", true)) << a.Output();
    ASSERT_TRUE(m_control.Start(ProgramPath("handsetctl"), {"--home", homeA.Path()}, homeA.File("ctl.err")));

    Control("plug");
    Expect(a, "EVENT handset_ready ok=1 bound=0 customer=" + std::to_string(kCustomer) + " ");
    Expect(a, "EVENT handset present=1");
    ASSERT_TRUE(a.WriteLine("logon"));
    Expect(a, "EVENT logon_complete");
    ASSERT_TRUE(StartClient(b, homeB, "8002", "2222", false)) << b.Output();
    ASSERT_TRUE(b.WriteLine("logon"));
    Expect(b, "EVENT logon_complete");

    // Lift, dial 8002 on the keys, press the dial key: it rings at 8002. Putting the
    // handset down hangs up.
    Control("lift");
    Expect(a, "EVENT handset_hook state=off");
    Expect(a, "EVENT handset_tone tone=IDR_WAVEDAILTONE repeat=1");
    Control("dial 8002");
    Expect(a, "EVENT handset_number number=8002");
    Control("tap dial");
    Expect(a, "EVENT call_progress type=1 ");
    Expect(b, "EVENT call_progress type=6 ");
    Control("replace");
    Expect(a, "EVENT handset_hook state=on");
    Expect(a, "EVENT call_state state=0 ");
    Expect(b, "EVENT call_state state=0 ");

    // An incoming call rings the handset; lifting answers, putting down hangs up.
    ASSERT_TRUE(b.WriteLine("call 8001"));
    Expect(a, "EVENT call_progress type=6 ");
    Expect(a, "EVENT handset_ringer on=1");
    Control("lift");
    Expect(a, "EVENT handset_ringer on=0");
    Expect(a, "EVENT call_progress type=7 ");
    Expect(b, "EVENT call_progress type=8 ");
    Control("replace");
    Expect(a, "EVENT call_state state=0 ");
    Expect(b, "EVENT call_state state=0 ");

    // "Using with USB phone only": the account is bound to this handset, which now holds
    // the number; a logon without the handset is refused, with it the number comes from it.
    ASSERT_TRUE(a.WriteLine("security on"));
    Expect(a, "EVENT bind_set result=0 option=1");
    ASSERT_TRUE(a.WriteLine("handset"));
    Expect(a, "EVENT handset_status present=1 ready=1 bound=1 customer=" + std::to_string(kCustomer) +
                  " number=8001 ");
    ASSERT_TRUE(a.WriteLine("logout"));
    Expect(a, "EVENT logged_out");
    TestFolder homeC;
    ChildProcess c;
    ASSERT_TRUE(StartClient(c, homeC, "8001", "1111", false)) << c.Output();
    ASSERT_TRUE(c.WriteLine("logon"));
    Expect(c, "EVENT logon_failed reason=-13");
    ASSERT_TRUE(a.WriteLine("logon 9999 1111"));
    Expect(a, "EVENT logon_complete number=8001");
}

} // namespace
} // namespace orv
