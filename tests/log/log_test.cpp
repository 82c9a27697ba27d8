#include "client/log/command_line.h"
#include "client/log/log.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace orv {
namespace {

namespace fs = std::filesystem;

const char* const kStart = "********ORV Client Start************";
const char* const kEnd = "********ORV Client End*************";

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "orv-log-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
        SetHomeFolder(m_dir);
        m_file = JoinPath(m_dir, ModuleName() + ".log");
        // The console (standard error) goes to a file of its own for the test.
        m_console = JoinPath(m_dir, "console.txt");
        std::fflush(stderr);
        m_savedStderr = ::dup(2);
        const int fd = ::open(m_console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 2);
        ::close(fd);
    }
    void TearDown() override {
        CloseLog();
        std::fflush(stderr);
        ::dup2(m_savedStderr, 2);
        ::close(m_savedStderr);
        fs::remove_all(m_dir);
    }

    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // Length of the " [hh:mm:ss,TID=0x....] " prefix of a line, 0 when it lacks one.
    static std::size_t PrefixLength(const std::string& line) {
        if (line.size() < 23 || line.compare(0, 2, " [") != 0 || line[4] != ':' || line[7] != ':' ||
            line.compare(10, 7, ",TID=0x") != 0) {
            return 0;
        }
        for (std::size_t i : {2, 3, 5, 6, 8, 9}) {
            if (!std::isdigit(static_cast<unsigned char>(line[i]))) return 0;
        }
        std::size_t end = 17;
        while (end < line.size() && std::isxdigit(static_cast<unsigned char>(line[end]))) ++end;
        if (end - 17 < 4 || line.compare(end, 2, "] ") != 0) return 0;
        return end + 2;
    }
    // The messages of the log file's lines; fails the test on a line without the prefix.
    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        std::istringstream in(ReadAll(m_file));
        for (std::string line; std::getline(in, line);) {
            const std::size_t prefix = PrefixLength(line);
            EXPECT_NE(prefix, 0u) << line;
            messages.push_back(line.substr(prefix));
        }
        return messages;
    }

    std::string m_dir;
    std::string m_file;
    std::string m_console;
    int m_savedStderr = -1;
};

TEST_F(LogTest, OffUnlessTheFirstWordIsLog) {
    for (const char* commandLine : {"", "   ", "-LOG 3", "LOGS", "3 LOG", "lo g"}) {
        OpenLog(commandLine);
        EXPECT_EQ(WriteLog(3, "hello"), 0) << commandLine;
        CloseLog();
    }
    EXPECT_FALSE(fs::exists(m_file));
}

TEST_F(LogTest, LowerCaseLogWithLevelThreeDropsDetailLevels) {
    OpenLog("  log\t3 extra");
    EXPECT_EQ(WriteLog(3, "ordinary %d %s", 7, "x"), 1);
    EXPECT_EQ(WriteLog(4, "detail"), 1);
    EXPECT_EQ(WriteLog(5, "media"), 1);
    EXPECT_EQ(WriteLog(2, "lower"), 1);
    CloseLog();
    EXPECT_EQ(WriteLog(3, "after close"), 0);
    EXPECT_EQ(Messages(), (std::vector<std::string>{kStart, "ordinary 7 x", "lower", kEnd}));
}

TEST_F(LogTest, LevelZeroAndNonNumericLevelNeverCreateTheFile) {
    for (const char* commandLine : {"LOG 0", "Log abc"}) {
        OpenLog(commandLine);
        EXPECT_EQ(WriteLog(3, "dropped"), 1);
        EXPECT_EQ(WriteLog(1, "dropped too"), 1);
        CloseLog();
    }
    EXPECT_FALSE(fs::exists(m_file));
}

TEST_F(LogTest, WithoutLevelEverythingIsKept) {
    OpenLog("LOG");
    WriteLog(255, "top level");
    WriteLog(256, "beyond");
    CloseLog();
    EXPECT_EQ(Messages(), (std::vector<std::string>{kStart, "top level", kEnd}));
}

TEST_F(LogTest, LongMessageIsCutAndTheLineStillEndsWithNewline) {
    OpenLog("LOG");
    const std::string longText(5000, 'm');
    WriteLog(3, "%s", longText.c_str());
    WriteLog(3, "next");
    CloseLog();
    std::istringstream in(ReadAll(m_file));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].size(), 1024u); // 1025 with the terminating NUL
    EXPECT_EQ(lines[1].back(), 'm');
    EXPECT_NE(lines[2].find("] next"), std::string::npos);
}

TEST_F(LogTest, SuccessiveRunsAppendToOneFile) {
    OpenLog("LOG");
    WriteLog(3, "first run");
    CloseLog();
    OpenLog("log 5");
    WriteLog(3, "second run");
    CloseLog();
    EXPECT_EQ(Messages(), (std::vector<std::string>{kStart, "first run", kEnd, kStart, "second run", kEnd}));
    EXPECT_EQ(ReadAll(m_console), ReadAll(m_file)); // the console shows the same lines
}

TEST_F(LogTest, LinesFromManyThreadsStayWhole) {
    OpenLog("LOG");
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) WriteLog(3, "thread %d line %d %s", t, i, std::string(300, 'a' + t).c_str());
        });
    }
    for (auto& thread : threads) thread.join();
    CloseLog();
    const std::vector<std::string> messages = Messages();
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(kThreads * kLines + 2));
    std::vector<int> next(kThreads, 0); // each thread's lines keep their order
    for (std::size_t i = 1; i + 1 < messages.size(); ++i) {
        int t = -1, n = -1;
        ASSERT_EQ(std::sscanf(messages[i].c_str(), "thread %d line %d", &t, &n), 2) << messages[i];
        ASSERT_TRUE(t >= 0 && t < kThreads);
        EXPECT_EQ(n, next[t]++);
        EXPECT_EQ(messages[i].substr(messages[i].size() - 300), std::string(300, 'a' + t));
    }
}

TEST_F(LogTest, UnwritableFolderStillReachesTheConsole) {
    // The home folder lies below a plain file, so the log file cannot be opened.
    const std::string blocker = JoinPath(m_dir, "blocker");
    std::ofstream(blocker) << "x";
    SetHomeFolder(JoinPath(blocker, "home"));
    OpenLog("LOG");
    const int written = WriteLog(3, "console only");
    CloseLog();

    EXPECT_EQ(written, 1);
    const std::string console = ReadAll(m_console);
    EXPECT_NE(console.find("] console only\n"), std::string::npos) << console;
    EXPECT_NE(console.find(kEnd), std::string::npos);
}

TEST(CommandLineTest, JoinsArgumentsAfterTheProgramName) {
    const char* argv[] = {"/opt/orv/orvphone", "LOG", "3"};
    EXPECT_EQ(JoinCommandLine(3, argv), "LOG 3");
    EXPECT_EQ(JoinCommandLine(1, argv), "");
    EXPECT_EQ(JoinCommandLine(0, nullptr), "");
}

} // namespace
} // namespace orv
