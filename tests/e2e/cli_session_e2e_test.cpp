// orvcli's own housekeeping against a real orvserver: the start-with-the-system setting
// writes the entry that starts the desktop client, and ending the program logs it out even
// while its logon is being answered.
#include "tests/app/file_wait.h"
#include "tests/e2e/cli_processes_fixture.h"
#include "tests/e2e/udp_relay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace orv {
namespace {

constexpr int kWaitMs = 20000;

// XDG_CONFIG_HOME pointed into a folder of the test's own while it lives, so the user's
// autostart folder is never touched.
class ConfigHomeScope {
public:
    explicit ConfigHomeScope(const std::string& folder) { ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1); }
    ~ConfigHomeScope() { ::unsetenv("XDG_CONFIG_HOME"); }
};

class CliSessionE2eTest : public CliProcessesTest {
protected:
    // A count from the server's statistics (-1 when it does not answer).
    int ServerCount(const std::string& name) {
        std::string stats;
        if (!m_server.WriteLine("stats") || !m_server.WaitForLine("ADMIN ok stats", kWaitMs, &stats)) return -1;
        const auto at = stats.find(" " + name + "=");
        return at == std::string::npos ? -1 : std::atoi(stats.c_str() + at + name.size() + 2);
    }

    // Sends a settings command and gives the settings line it answers with.
    static std::string Settings(ChildProcess& client, const std::string& command) {
        std::string line;
        EXPECT_TRUE(client.WriteLine(command));
        EXPECT_TRUE(client.WaitForLine("EVENT settings", kWaitMs, &line)) << client.Output();
        return line;
    }
};

TEST_F(CliSessionE2eTest, AutorunWritesTheEntryThatStartsTheDesktopClient) {
    TestFolder config;
    ConfigHomeScope scope(config.Path());
    const std::string entry = config.File("autostart/orvphone.desktop");
    const std::string programs = std::filesystem::canonical(ProgramPath("orvcli")).parent_path().string();
    StartServer();

    ChildProcess& first = StartClient("8001", "1111");
    EXPECT_NE(Settings(first, "settings").find(" autorun=0 "), std::string::npos);
    const std::string set = Settings(first, "settings-set autorun=1");
    EXPECT_NE(set.find("EVENT settings server="), std::string::npos) << set; // not settings_not_saved
    EXPECT_NE(set.find(" autorun=1 "), std::string::npos) << set;
    // The entry starts orvphone beside orvcli, never orvcli itself.
    EXPECT_NE(ReadAll(entry).find("Exec=\"" + programs + "/orvphone\"\n"), std::string::npos) << ReadAll(entry);

    // The setting mirrors the entry: a second run (another home folder) reads it on.
    ChildProcess& second = StartClient("8002", "2222");
    EXPECT_NE(Settings(second, "settings").find(" autorun=1 "), std::string::npos);
    EXPECT_NE(Settings(second, "settings-set autorun=0").find(" autorun=0 "), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(entry));
}

// A quit while the answer to the login is on its way still logs out, so the server does not
// keep a session nobody holds until it expires. The server names a second loopback address
// for the login, where a relay on the server's port passes the login on and then holds the
// answer; the client is told to quit meanwhile.
TEST_F(CliSessionE2eTest, AQuitWhileTheLoginIsAnsweredStillLogsOut) {
    StartServer({"--public-address", "127.0.0.2"});
    test::UdpRelay relay(0x7F000002, PortOf(m_serverAddress));
    ASSERT_EQ(relay.Port(), PortOf(m_serverAddress)) << "127.0.0.2 cannot be bound here";
    relay.StallAfterClientDatagrams(1, std::chrono::milliseconds(800));
    relay.Start(PortOf(m_serverAddress));

    ChildProcess& client = StartClient("8001", "1111");
    ASSERT_TRUE(client.WriteLine("logon"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (relay.FromClients().empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(relay.FromClients().empty()) << client.Output();
    ASSERT_TRUE(client.WriteLine("quit"));
    ASSERT_TRUE(client.WaitExit(kWaitMs)) << client.Output();

    // The logout left before the process ended; the server takes it at once.
    int live = ServerCount("live");
    for (int tries = 0; live != 0 && tries < 50; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        live = ServerCount("live");
    }
    EXPECT_EQ(ServerCount("logons"), 1) << "the login reached the server";
    EXPECT_EQ(live, 0) << "the server still holds the session of a client that quit";
}

} // namespace
} // namespace orv
