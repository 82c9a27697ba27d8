// Logon end to end: a real orvserver and real orvcli processes on 127.0.0.1, each with a
// home folder of its own and system-chosen ports, talking through the link libraries.
// Every wait is bounded; the processes are killed when a test ends.
#include "tests/e2e/cli_processes_fixture.h"

#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace orv {
namespace {

constexpr int kWaitMs = 20000;
// A stopped server is noticed after the keep-alive period and its resends (5 s apart).
constexpr int kKeepAliveTimeoutWaitMs = 60000;

class LogonE2eTest : public CliProcessesTest {
protected:
    // Asks the server's administration for its counters until it has counted a NAT echo
    // (echoes are counted, not logged one by one); bounded by timeoutMs.
    bool ServerCountsANatEcho(int timeoutMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        do {
            std::string stats;
            if (!m_server.WriteLine("stats") || !m_server.WaitForLine("ADMIN ok stats", timeoutMs, &stats)) return false;
            if (stats.find(" nat_echoes=0") == std::string::npos && stats.find(" nat_echoes=") != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }
};

TEST_F(LogonE2eTest, LogonSucceedsCompletesAndAnswersNatDetects) {
    StartServer({"--nat-interval", "1"});
    ChildProcess& client = StartClient("8001", "1111");
    LogOn(client, "8001");
    ASSERT_TRUE(client.WriteLine("status"));
    std::string status;
    ASSERT_TRUE(client.WaitForLine("EVENT status", kWaitMs, &status));
    EXPECT_NE(status.find("endpoint="), std::string::npos);
    EXPECT_EQ(status.find("endpoint=0 "), std::string::npos) << status;
    // The client echoes the server's NAT detect with its endpoint.
    EXPECT_TRUE(ServerCountsANatEcho(kWaitMs)) << m_server.Output();
}

TEST_F(LogonE2eTest, FailedLogonsAndABadHomeFolderSayWhy) {
    StartServer();
    ChildProcess& client = StartClient("8001", "wrong");
    ASSERT_TRUE(client.WriteLine("logon"));
    EXPECT_TRUE(client.WaitForLine("EVENT logon_failed reason=-3", kWaitMs)) << client.Output();
    EXPECT_TRUE(client.WaitForText("Invalid password", kWaitMs)) << client.Output();
    // A number no number field can carry is refused at once, with its reason.
    ASSERT_TRUE(client.WriteLine("logon " + std::string(40, '7') + " 1111"));
    EXPECT_TRUE(client.WaitForLine("EVENT logon_failed number=" + std::string(40, '7'), kWaitMs)) << client.Output();
    EXPECT_TRUE(client.WaitForText("Invalid ORV number", kWaitMs)) << client.Output();

    // An empty home folder is an error, not the program folder.
    TestFolder errors;
    ChildProcess noHome;
    ASSERT_TRUE(noHome.Start(ProgramPath("orvcli"), {"--home", "", "--server", m_serverAddress}, errors.File("cli.err")));
    int status = 0;
    ASSERT_TRUE(noHome.WaitExit(kWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    std::ifstream in(errors.File("cli.err"));
    const std::string said((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(said.find("--home needs a folder"), std::string::npos) << said;

    // A settings file that cannot be written (a folder stands in its place) is told, with
    // the message the desktop shows.
    TestFolder home;
    std::filesystem::create_directory(home.File("orvcli.cfg"));
    ChildProcess blocked;
    ASSERT_TRUE(StartClientProcess(blocked, home.Path(), m_serverAddress, "8002", "2222", {}, kWaitMs))
        << blocked.Output();
    EXPECT_TRUE(blocked.WaitForLine("EVENT file_not_saved file=" + home.File("orvcli.cfg"), kWaitMs))
        << blocked.Output();
    EXPECT_TRUE(blocked.WaitForText("File operation failed: \"" + home.File("orvcli.cfg"), kWaitMs))
        << blocked.Output();
}

TEST_F(LogonE2eTest, ASecondLogonOfTheSameNumberForcesTheFirstOff) {
    StartServer();
    ChildProcess& first = StartClient("8002", "2222");
    LogOn(first, "8002");
    ChildProcess& second = StartClient("8002", "2222");
    LogOn(second, "8002");
    EXPECT_TRUE(first.WaitForLine("EVENT forced_logoff code=2", kWaitMs)) << first.Output();
    EXPECT_TRUE(first.WaitForText("8002 logged on at another place: you have been logged off", kWaitMs)) << first.Output();
    // The newer session stays registered.
    ASSERT_TRUE(second.WriteLine("status"));
    std::string status;
    ASSERT_TRUE(second.WaitForLine("EVENT status", kWaitMs, &status));
    EXPECT_EQ(status.find("endpoint=0 "), std::string::npos) << status;
    EXPECT_EQ(second.Output().find("forced_logoff"), std::string::npos) << second.Output();
}

TEST_F(LogonE2eTest, StoppingTheServerEndsInTheKeepAliveTimeOut) {
    // TTL 3 s: the client keeps alive every second and gives up after its resends.
    StartServer({"--ttl", "3"});
    ChildProcess& client = StartClient("8003", "3333");
    LogOn(client, "8003");
    m_server.Signal(SIGTERM);
    int status = -1;
    ASSERT_TRUE(m_server.WaitExit(kWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(client.WaitForLine("EVENT keepalive_timeout", kKeepAliveTimeoutWaitMs)) << client.Output();
}

TEST_F(LogonE2eTest, AReLogonDemandMakesTheClientLogOnAgain) {
    StartServer({"--ttl", "6"});
    ChildProcess& client = StartClient("8001", "1111");
    LogOn(client, "8001");
    ASSERT_TRUE(m_server.WriteLine("expire 8001"));
    ASSERT_TRUE(m_server.WaitForLine("ADMIN ok expire 8001", kWaitMs)) << m_server.Output();
    EXPECT_TRUE(client.WaitForLine("EVENT relogon_demand", kWaitMs)) << client.Output();
    EXPECT_TRUE(client.WaitForLine("EVENT logon_complete", kWaitMs)) << client.Output();
    ASSERT_TRUE(m_server.WriteLine("sessions"));
    ASSERT_TRUE(m_server.WaitForLine("ADMIN ok sessions", kWaitMs)) << m_server.Output();
    std::string session;
    EXPECT_TRUE(m_server.WaitForText("status=live", 0, &session)) << m_server.Output();
    EXPECT_NE(session.find("SESSION number=8001 "), std::string::npos) << session;
}

} // namespace
} // namespace orv
