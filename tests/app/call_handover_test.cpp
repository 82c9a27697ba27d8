// Numbers handed to the running orvphone: with a first copy logged on as 8001 and orvcli
// logged on as 8002, a second start "orvphone tel:80-02" ends at once without a word and the
// first copy dials 8002, which rings at orvcli. Junk on the hand-over socket (another
// request, an endless line, a number with letters) is refused and changes nothing, and a
// link without a number is refused by the new copy itself. One test, so no other orvphone of
// this suite runs at the same time.
#include "client/app/call_handover.h"
#include "tests/app/file_wait.h"
#include "tests/app/logged_on_phone.h"
#include "tests/e2e/service_processes.h"
#include "tests/server/test_folder.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

namespace orv {
namespace {

constexpr int kWaitMs = 30000;

// Sends raw bytes to the socket and returns what comes back before the other side closes.
std::string RawExchange(const std::string& path, const std::string& bytes) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return "no connection";
    }
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[64];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return answer;
}

TEST(CallHandover, ASecondStartWithALinkHandsTheNumberToTheRunningCopy) {
    EXPECT_EQ(CallLinkNumber("tel:+80-02"), "");
    EXPECT_EQ(CallLinkNumber("TEL://(800) 2.1"), "80021");
    EXPECT_EQ(CallLinkNumber("orv:8002*15#"), "8002*15#");
    EXPECT_EQ(CallLinkNumber("orv:" + std::string(33, '1')), "");
    EXPECT_EQ(CallLinkNumber("mailto:8002"), "");

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TestFolder serverHome, firstHome, secondHome, cliHome, runtime;
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1); // the hand-over socket of this test only
    const std::string socketPath = CallHandoverSocketPath();
    ASSERT_EQ(socketPath, runtime.File("orvphone-call.sock"));
    ChildProcess server;
    std::string address;
    ASSERT_TRUE(StartServerProcess(server, serverHome.Path(), {}, kWaitMs, &address)) << server.Output();
    ChildProcess called;
    ASSERT_TRUE(StartClientProcess(called, cliHome.Path(), address, "8002", "2222", {}, kWaitMs));
    std::uint32_t endpoint = 0;
    ASSERT_TRUE(LogOnClientProcess(called, kWaitMs, &endpoint)) << called.Output();

    ChildProcess first;
    std::string startLog;
    ASSERT_TRUE(StartLoggedOnPhone(first, firstHome.Path(), address, kWaitMs, &startLog)) << startLog;
    const std::string firstLog = firstHome.File("orvphone.log");

    // Hostile or wrong requests are refused; the copy goes on.
    EXPECT_EQ(RawExchange(socketPath, "DIAL 8002\n"), "ERROR\n");
    EXPECT_EQ(RawExchange(socketPath, "CALL 80x2\n"), "ERROR\n");
    EXPECT_EQ(RawExchange(socketPath, "CALL " + std::string(200, '8')), "ERROR\n");

    // A link without a number never reaches the running copy.
    ChildProcess wrong;
    ASSERT_TRUE(wrong.Start(ProgramPath("orvphone"), {"--home", secondHome.Path(), "tel:abc"}, secondHome.File("wrong.txt")));
    int status = -1;
    ASSERT_TRUE(wrong.WaitExit(kWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    EXPECT_NE(ReadAll(secondHome.File("wrong.txt")).find("holds no number"), std::string::npos);

    ChildProcess second;
    ASSERT_TRUE(second.Start(ProgramPath("orvphone"), {"--home", secondHome.Path(), "tel:80-02", "LOG"},
                             secondHome.File("stderr.txt")));
    ASSERT_TRUE(second.WaitExit(kWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadAll(secondHome.File("orvphone.log")).find("already running"), std::string::npos);
    EXPECT_TRUE(called.WaitForText("EVENT call_progress type=6", kWaitMs)) << called.Output();
    EXPECT_TRUE(FileShows(firstLog, "Number handed over: 8002", kWaitMs)) << ReadAll(firstLog);
    ASSERT_TRUE(called.WriteLine("hangup"));

    first.Signal(SIGTERM);
    ASSERT_TRUE(first.WaitExit(kWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(access(socketPath.c_str(), F_OK), 0); // removed at exit
    ASSERT_TRUE(called.WriteLine("quit"));
    EXPECT_TRUE(called.WaitExit(kWaitMs, &status));
}

} // namespace
} // namespace orv
