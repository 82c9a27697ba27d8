// orvphone as a process on Qt's offscreen platform against a real orvserver: a run that
// logs on by itself (remembered digest) and ends on a termination request removes its
// unpacked skin tree; a second copy started meanwhile is refused with "ORV is already
// running" and leaves the first copy's files alone. One test, so no other orvphone of this
// suite runs at the same time.
#include "tests/app/file_wait.h"
#include "tests/app/logged_on_phone.h"
#include "tests/e2e/service_processes.h"
#include "tests/server/test_folder.h"

#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace orv {
namespace {

constexpr int kWaitMs = 30000;

TEST(OrvphoneProcess, ANormalRunRemovesItsSkinTreeAndASecondCopyIsRefused) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TestFolder serverHome, firstHome, secondHome;
    ChildProcess server;
    std::string address;
    ASSERT_TRUE(StartServerProcess(server, serverHome.Path(), {}, kWaitMs, &address)) << server.Output();

    // The first copy logs on by itself with a remembered digest.
    ChildProcess first;
    std::string startLog;
    ASSERT_TRUE(StartLoggedOnPhone(first, firstHome.Path(), address, kWaitMs, &startLog)) << startLog;
    const std::string firstLog = firstHome.File("orvphone.log");
    const std::filesystem::path firstSkin = firstHome.File("SkinFile");
    EXPECT_TRUE(std::filesystem::exists(firstSkin / "MainDlg" / "Logo.bmp"));

    // A second copy (another home folder) is refused.
    ChildProcess second;
    ASSERT_TRUE(second.Start(ProgramPath("orvphone"), {"--home", secondHome.Path(), "--server", address, "LOG"},
                             secondHome.File("stderr.txt")));
    const std::string secondLog = secondHome.File("orvphone.log");
    EXPECT_TRUE(FileShows(secondLog, "ORV is already running", kWaitMs)) << ReadAll(secondLog);
    second.Signal(SIGTERM); // stands for the user's OK on the message box
    int status = -1;
    ASSERT_TRUE(second.WaitExit(kWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadAll(secondLog).find("Main window opens"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(firstSkin / "MainDlg" / "Logo.bmp"));

    // The first copy ends through its exit order: logged out, skin tree removed, log closed.
    first.Signal(SIGTERM);
    ASSERT_TRUE(first.WaitExit(kWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(std::filesystem::exists(firstSkin));
    const std::string log = ReadAll(firstLog);
    EXPECT_NE(log.find("DoLogout EPID="), std::string::npos) << log;
    EXPECT_NE(log.find("********ORV Client End*************"), std::string::npos) << log;
}

} // namespace
} // namespace orv
