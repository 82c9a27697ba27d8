// Friends, presence and service options end to end: a real orvserver and real orvcli
// processes on 127.0.0.1, each with a home folder of its own and system-chosen ports. Every
// wait is bounded; the processes are killed when a test ends.
#include "tests/e2e/child_process.h"
#include "tests/server/test_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace orv {
namespace {

constexpr int kWaitMs = 20000;

class FriendsE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Start(ProgramPath("orvserver"),
                                   {"--home", m_serverHome.Path(), "--user-port", "0", "--quit-on-eof"},
                                   m_serverHome.File("server.err")));
        std::string line;
        ASSERT_TRUE(m_server.WaitForLine("LISTEN user udp ", kWaitMs, &line)) << m_server.Output();
        m_serverAddress = line.substr(std::string("LISTEN user udp ").size());
    }

    // An orvcli for number; each has a home folder of its own.
    ChildProcess& StartClient(const std::string& number, const std::string& password) {
        m_clientHomes.push_back(std::make_unique<TestFolder>());
        m_clients.push_back(std::make_unique<ChildProcess>());
        ChildProcess& client = *m_clients.back();
        const TestFolder& home = *m_clientHomes.back();
        EXPECT_TRUE(client.Start(ProgramPath("orvcli"),
                                 {"--home", home.Path(), "--server", m_serverAddress, "--number", number,
                                  "--password", password, "--log"},
                                 home.File("cli.err")));
        EXPECT_TRUE(client.WaitForLine("EVENT started", kWaitMs)) << client.Output();
        return client;
    }

    static void LogOn(ChildProcess& client, const std::string& number) {
        ASSERT_TRUE(client.WriteLine("logon"));
        std::string line;
        ASSERT_TRUE(client.WaitForLine("EVENT logon_complete", kWaitMs, &line)) << client.Output();
        EXPECT_NE(line.find("number=" + number), std::string::npos) << line;
    }

    static void Quit(ChildProcess& client) {
        ASSERT_TRUE(client.WriteLine("quit"));
        EXPECT_TRUE(client.WaitExit(kWaitMs)) << client.Output();
    }

    // Asks the client for its call records until an offline call from caller shows (the
    // offline calls are fetched just after the logon completes), for at most kWaitMs.
    static bool ShowsOfflineCall(ChildProcess& client, const std::string& caller, const std::string& called) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (std::chrono::steady_clock::now() < deadline) {
            if (!client.WriteLine("call-records") || !client.WaitForLine("EVENT call_records count=", kWaitMs)) {
                return false;
            }
            std::string record;
            while (client.WaitForLine("EVENT call_record list=offline", 0, &record)) {
                if (record.find("caller=" + caller) != std::string::npos &&
                    record.find("called=" + called) != std::string::npos) {
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return false;
    }

    TestFolder m_serverHome;
    ChildProcess m_server;
    std::string m_serverAddress;
    std::vector<std::unique_ptr<TestFolder>> m_clientHomes;
    std::vector<std::unique_ptr<ChildProcess>> m_clients;
};

TEST_F(FriendsE2eTest, ACallToAnOffLineNumberIsAnOfflineCallAtItsNextLogon) {
    ChildProcess& a = StartClient("8001", "1111");
    LogOn(a, "8001");
    ASSERT_TRUE(a.WriteLine("call 8002"));
    std::string refused;
    ASSERT_TRUE(a.WaitForText("type=2", kWaitMs, &refused)) << a.Output();
    EXPECT_NE(refused.find("EVENT call_progress"), std::string::npos) << refused;

    ChildProcess& b = StartClient("8002", "2222");
    LogOn(b, "8002");
    EXPECT_TRUE(ShowsOfflineCall(b, "8001", "8002")) << b.Output();
}

} // namespace
} // namespace orv
