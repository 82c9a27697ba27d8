// The live update end to end: a real orvserver publishes files, a real orvcli running from
// a program folder of its own downloads them on logon, ends, and the real updater puts them
// in place and starts the new client program. With the service's key configured, a file
// altered on the server or a list signed by another key installs nothing. Every wait is
// bounded.
#include "tests/app/file_wait.h"
#include "tests/e2e/cli_processes_fixture.h"


#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace orv {
namespace {

namespace fs = std::filesystem;
constexpr int kWaitMs = 20000;

bool WaitForFile(const std::string& path, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!fs::exists(path)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Files left over from replacing: a ".bak", ".tmp" or ".part" anywhere below folder.
std::vector<std::string> Leftovers(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string ext = e.path().extension().string();
        if (ext == ".bak" || ext == ".tmp" || e.path().filename().string().find(".part") != std::string::npos)
            out.push_back(e.path().string());
    }
    return out;
}

class LiveUpdateE2eTest : public CliProcessesTest {
protected:
    void SetUp() override {
        StartServer();
        std::string line;
        ASSERT_TRUE(m_server.WaitForLine("UPDATE-KEY ", kWaitMs, &line)) << m_server.Output();
        m_key = line.substr(11);
        // The client runs from a program folder of its own, which the update may change.
        for (const char* name : {"orvcli", "updater", "liborvplatform.so", "libtcplink.so", "libudplink.so",
                                 "libhandset.so"}) {
            fs::copy_file(ProgramPath(name), m_program.File(name));
        }
    }

    void Publish(const std::string& file, int version, int kind = 1) {
        const std::string line = "publish " + file + " " + std::to_string(version) + " " + std::to_string(kind);
        ASSERT_TRUE(m_server.WriteLine(line));
        ASSERT_TRUE(m_server.WaitForLine("ADMIN ok publish", kWaitMs)) << m_server.Output();
    }

    void Configure(const std::string& key) {
        WriteAll(m_home.File("orvcli.cfg"), key.empty() ? "" : "[LiveUpdate]\nPublicKey=" + key + "\n");
    }

    // An orvcli of the program folder, logging on: returns its output lines up to the end
    // of the logon or of the update.
    std::unique_ptr<ChildProcess> LogOnFromProgramFolder() {
        auto client = std::make_unique<ChildProcess>();
        EXPECT_TRUE(client->Start(m_program.File("orvcli"),
                                  {"--home", m_home.Path(), "--server", m_serverAddress, "--number", "8001",
                                   "--password", "1111", "--log"},
                                  m_home.File("cli.err")));
        EXPECT_TRUE(client->WaitForLine("EVENT started", kWaitMs)) << client->Output();
        EXPECT_TRUE(client->WriteLine("logon"));
        return client;
    }

    TestFolder m_program;
    TestFolder m_home;
    TestFolder m_sources;
    std::string m_key;
};

TEST_F(LiveUpdateE2eTest, ADataFileTheUpdaterAndTheClientProgramAreReplacedAndTheNewClientRuns) {
    // Installed before: an old data file and an old client program.
    WriteAll(m_program.File("greeting.txt"), "v1");
    WriteAll(m_program.File("orvphone"), "#!/bin/sh\necho old > \"$(dirname \"$0\")/started.txt\"\n", true);
    // Published: the new versions, a file for the kind-4 folder, and an updater that differs
    // from the running one (it still runs: bytes after the program are ignored).
    WriteAll(m_sources.File("greeting.txt"), "v2");
    const std::string tables(1 << 20, 't'); // arrives in many pieces
    WriteAll(m_sources.File("tables.dat"), tables);
    WriteAll(m_sources.File("orvphone"),
             "#!/bin/sh\nd=\"$(dirname \"$0\")\"\necho \"version 7 $(cat \"$d/greeting.txt\")\" > \"$d/started.txt\"\n",
             true);
    fs::copy_file(ProgramPath("updater"), m_sources.File("updater"));
    std::ofstream(m_sources.File("updater"), std::ios::app) << "#v3";
    Publish(m_sources.File("greeting.txt"), 2);
    Publish(m_sources.File("tables.dat"), 1, 4);
    Publish(m_sources.File("orvphone"), 7);
    Publish(m_sources.File("updater"), 3);
    Configure(m_key);

    auto client = LogOnFromProgramFolder();
    std::string line;
    ASSERT_TRUE(client->WaitForLine("EVENT update_list", kWaitMs, &line)) << client->Output();
    EXPECT_NE(line.find("count=5"), std::string::npos) << line;
    // Its progress is told as it arrives, each percent once, up to the whole.
    std::vector<int> percents;
    while (percents.empty() || percents.back() < 100) {
        ASSERT_TRUE(client->WaitForLine("EVENT update_progress file=tables.dat", kWaitMs, &line)) << client->Output();
        const auto at = line.find("percent=");
        ASSERT_NE(at, std::string::npos) << line;
        percents.push_back(std::stoi(line.substr(at + 8)));
    }
    EXPECT_GE(percents.size(), 3u) << testing::PrintToString(percents);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end(), std::less_equal<int>()))
        << testing::PrintToString(percents);
    ASSERT_TRUE(client->WaitForLine("EVENT update_installed", kWaitMs, &line)) << client->Output();
    EXPECT_NE(line.find("Files updated, ORV will restart now"), std::string::npos) << client->Output();
    // The client ends by itself; the updater then starts the new client program.
    ASSERT_TRUE(client->WaitExit(kWaitMs)) << client->Output();
    ASSERT_TRUE(WaitForFile(m_program.File("started.txt"), kWaitMs)) << ReadAll(m_home.File("cli.err"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (ReadAll(m_program.File("started.txt")).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ReadAll(m_program.File("started.txt")), "version 7 v2\n");
    EXPECT_EQ(ReadAll(m_program.File("Windows/system32/tables.dat")), tables);
    const std::string updater = ReadAll(m_program.File("updater"));
    EXPECT_EQ(updater.substr(updater.size() - 3), "#v3"); // replaced by the client at once
    EXPECT_TRUE(Leftovers(m_program.Path()).empty()) << testing::PrintToString(Leftovers(m_program.Path()));
    EXPECT_FALSE(fs::exists(m_program.File("UpdateFiles.ini")));
    const std::string config = ReadAll(m_home.File("orvcli.cfg"));
    for (const char* installed : {"greeting.txt,2", "tables.dat,1", "orvphone,7", "updater,3"})
        EXPECT_NE(config.find(installed), std::string::npos) << installed << "\n" << config;
    EXPECT_NE(config.find("AutoRun=1"), std::string::npos) << config;

    // Next time nothing is newer: only the signed list is fetched and the logon goes on.
    auto again = LogOnFromProgramFolder();
    ASSERT_TRUE(again->WaitForLine("EVENT update_list", kWaitMs, &line)) << again->Output();
    EXPECT_NE(line.find("count=1 files=UpdateSignature.txt"), std::string::npos) << line;
    ASSERT_TRUE(again->WaitForLine("EVENT logon_complete", kWaitMs)) << again->Output();
}

TEST_F(LiveUpdateE2eTest, AFileAlteredOnTheServerOrAListSignedByAnotherKeyInstallsNothing) {
    WriteAll(m_sources.File("greeting.txt"), "v2");
    Publish(m_sources.File("greeting.txt"), 2);
    WriteAll(m_serverHome.File("updates/greeting.txt"), "altered"); // after the signing
    Configure(m_key);
    auto client = LogOnFromProgramFolder();
    ASSERT_TRUE(client->WaitForLine("EVENT logon_complete", kWaitMs)) << client->Output();
    EXPECT_FALSE(fs::exists(m_program.File("greeting.txt")));
    EXPECT_TRUE(Leftovers(m_program.Path()).empty());
    EXPECT_NE(ReadAll(m_home.File("orvcli.log")).find("greeting.txt does not match the signed file list"),
              std::string::npos);
    ASSERT_TRUE(client->WriteLine("quit"));
    ASSERT_TRUE(client->WaitExit(kWaitMs));

    // Signed again, but the client holds another service's key.
    Publish(m_sources.File("greeting.txt"), 3);
    Configure(std::string(63, '1') + "2");
    auto other = LogOnFromProgramFolder();
    ASSERT_TRUE(other->WaitForLine("EVENT logon_complete", kWaitMs)) << other->Output();
    EXPECT_FALSE(fs::exists(m_program.File("greeting.txt")));
    EXPECT_FALSE(fs::exists(m_program.File("UpdateFiles.ini")));
    EXPECT_NE(ReadAll(m_home.File("orvcli.log")).find("the signature does not match the service's key"),
              std::string::npos);
    EXPECT_EQ(ReadAll(m_home.File("orvcli.cfg")).find("greeting.txt,"), std::string::npos);
}

} // namespace
} // namespace orv
