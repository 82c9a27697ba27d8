// orvcli's own housekeeping against a real orvserver: the start-with-the-system setting
// writes the entry that starts the desktop client, and ending the program logs it out.
#include "tests/app/file_wait.h"
#include "tests/e2e/cli_processes_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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

} // namespace
} // namespace orv
