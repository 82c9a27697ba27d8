// UpdateServHandler against a hostile update server process: names that are no plain file
// names are never downloaded, an installed equal version is skipped, an answer naming a
// file that was not asked for writes nothing, a refused file and an empty one are told as
// finished, a large one piece by piece; install replaces the updater at once and hands the
// others over (the client program with AutoRun on), recording each as installed.
#include "client/data/client_config.h"
#include "client/update/handover_file.h"
#include "client/update/replace_policy.h"
#include "platform/installed_layout.h"
#include "platform/profile.h"
#include "client/update/update_serv_handler.h"
#include "client/userserver/update_report.h"
#include "tests/app/file_wait.h"
#include "tests/e2e/child_process.h"
#include "tests/e2e/service_processes.h"
#include "tests/handlers/client_shell_fixture.h"
#include "tests/server/test_folder.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orv {
namespace {

namespace fs = std::filesystem;

class UpdateServHandlerTest : public test::ClientShellTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Start(ORV_HOSTILE_UPDATE_SERVER, {}, m_outside.File("hostile.err")));
        std::string line;
        ASSERT_TRUE(m_server.WaitForLine("LISTEN update tcp ", test::kShellWaitMs, &line)) << m_server.Output();
        m_port = PortOf(line);
        OpenShell(42, "update test");
    }
    void TearDown() override {
        if (m_handler != nullptr) m_handler->Close();
        ReleaseAndCloseShell(m_handler);
    }

    // The next update report (code, and for code 5 the pair) taken from the window's messages.
    bool NextReport(WPARAM* code, std::uint32_t* received = nullptr, std::uint32_t* expected = nullptr) {
        bool found = Pump([this] {
            for (const MSG& m : m_messages) {
                if (m.message == WM_UPDATE_REPORT) return true;
            }
            return false;
        });
        if (!found) return false;
        for (auto it = m_messages.begin(); it != m_messages.end(); ++it) {
            if (it->message != WM_UPDATE_REPORT) continue;
            *code = it->wParam;
            if (it->wParam == kUpdateProgress) {
                auto* pair = reinterpret_cast<std::uint32_t*>(it->lParam);
                *received = pair[0];
                *expected = pair[1];
                delete[] pair;
            }
            m_messages.erase(it);
            return true;
        }
        return false;
    }

    // Downloads one file; the final progress pair. *pieces counts the reports of a part
    // received, which must grow and stay below the whole.
    std::pair<std::uint32_t, std::uint32_t> Download(const FileRecord& file, int* pieces = nullptr) {
        m_handler->DoDownFile(file, 0);
        WPARAM code = 0;
        std::uint32_t received = 0, expected = 0, before = 0;
        int parts = 0;
        while (NextReport(&code, &received, &expected) && code == kUpdateProgress && received < expected) {
            EXPECT_GT(received, before) << file.name;
            before = received;
            ++parts;
        }
        EXPECT_EQ(code, kUpdateProgress) << file.name;
        if (pieces != nullptr) *pieces = parts;
        return {received, expected};
    }

    TestFolder m_outside; // the program folder lies inside it
    std::string m_programPath = m_outside.File("program");
    ChildProcess m_server;
    std::uint16_t m_port = 0;
    UpdateServHandler* m_handler = nullptr;
};

TEST_F(UpdateServHandlerTest, HostileNamesAreRefusedAndInstallHandsOverTheRest) {
    fs::create_directory(m_programPath);
    std::ofstream(m_programPath + "/updater") << "old updater";
    std::ofstream(m_programPath + "/orvphone") << "old client";
    m_config->RecordUpdateFile("SAME.TXT", 5); // names compare without regard to case
    UpdateHandlerSetup setup;
    setup.address = htonl(0x7F000001);
    setup.port = m_port;
    setup.owner = m_window->GetSafeHwnd();
    setup.programFolder = m_programPath;
    m_handler = new UpdateServHandler(*m_config, setup);
    m_handler->AddUse(); // the conversation's own
    m_handler->Start();

    WPARAM code = 0;
    ASSERT_TRUE(NextReport(&code));
    ASSERT_EQ(code, kUpdateListReady);
    std::vector<std::string> names;
    for (const FileRecord& f : m_handler->DownloadList()) names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"empty.txt", "orvphone", "updater", "decoy.txt", "missing.txt",
                                               "large.dat"}));

    const std::vector<FileRecord> list = m_handler->DownloadList();
    EXPECT_EQ(Download(list[0]), std::make_pair(85u, 85u)); // no bytes: an empty file
    EXPECT_EQ(Download(list[1]), std::make_pair(95u, 95u));
    EXPECT_EQ(Download(list[2]), std::make_pair(96u, 96u));
    EXPECT_EQ(Download(list[3]), std::make_pair(0u, 0u)); // answered under another name
    EXPECT_EQ(Download(list[4]), std::make_pair(0u, 0u)); // refused by the server
    // A large file is told as it arrives, though its answer is scrambled until complete.
    int pieces = 0;
    constexpr std::uint32_t kLargeAnswer = kFileDataOffset + 256 * 1024;
    EXPECT_EQ(Download(list[5], &pieces), std::make_pair(kLargeAnswer, kLargeAnswer));
    EXPECT_GE(pieces, 10);
    EXPECT_EQ(fs::file_size(m_programPath + "/large.dat.bak"), 256u * 1024);
    EXPECT_TRUE(fs::exists(m_programPath + "/empty.txt.bak"));
    EXPECT_EQ(fs::file_size(m_programPath + "/empty.txt.bak"), 0u);
    EXPECT_EQ(ReadAll(m_programPath + "/orvphone.bak"), "new client");
    // Nothing was written outside the program folder, nor for the refused names.
    std::vector<std::string> outside;
    for (const auto& e : fs::directory_iterator(m_outside.Path())) outside.push_back(e.path().filename().string());
    std::sort(outside.begin(), outside.end());
    EXPECT_EQ(outside, (std::vector<std::string>{"hostile.err", "program"}));
    EXPECT_FALSE(fs::exists("/tmp/orv-abs.txt"));
    EXPECT_FALSE(fs::exists(m_programPath + "/decoy.txt.bak"));
    EXPECT_FALSE(fs::exists(m_programPath + "/missing.txt.bak"));

    EXPECT_TRUE(m_handler->Install());
    EXPECT_TRUE(m_handler->FilesInstalled());
    // The updater is replaced at once and not handed over; the old one is gone.
    EXPECT_EQ(ReadAll(m_programPath + "/updater"), "new updater");
    EXPECT_FALSE(fs::exists(m_programPath + "/updater.bak"));
    EXPECT_FALSE(fs::exists(m_programPath + "/updater.tmp"));
    EXPECT_EQ(ReadHandOverFile(m_programPath + "/UpdateFiles.ini"),
              (std::vector<std::string>{m_programPath + "/empty.txt", m_programPath + "/orvphone",
                                        m_programPath + "/large.dat"}));
    EXPECT_EQ(GetProfileString("UpdateFiles", "1", "", m_programPath + "/UpdateFiles.ini"),
              m_programPath + "/orvphone"); // the key is the index in the download list
    EXPECT_EQ(m_config->General().autoRun, 1);
    std::vector<std::string> installed;
    for (const UpdateFileRecord& r : m_config->UpdateFiles())
        installed.push_back(r.fileName + "," + std::to_string(r.version));
    std::sort(installed.begin(), installed.end());
    EXPECT_EQ(installed, (std::vector<std::string>{"SAME.TXT,5", "empty.txt,1", "large.dat,1", "orvphone,2",
                                                  "updater,2"}));
}

// A program folder an installer owns keeps every file: the package manager updates it.
TEST(ReplacePolicy, AnInstalledProgramFolderIsLeftToThePackageManager) {
    TestFolder folder;
    const FileRecord data{"skin.dat", 1, 3};
    std::string why;
    EXPECT_TRUE(MayReplaceHere(folder.Path(), data, &why)) << why;
    std::ofstream(folder.File(kInstalledMarkerName)) << "[Installed]\nPrograms=../../../bin\n";
    EXPECT_FALSE(MayReplaceHere(folder.Path(), data, &why));
    EXPECT_NE(why.find("package manager"), std::string::npos) << why;
}

} // namespace
} // namespace orv
