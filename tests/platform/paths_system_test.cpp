// Program and home folders, plain file names, processes, spawning and addresses.
#include "platform/paths.h"
#include "platform/system.h"
#include "platform/tick.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

std::string TempFolder(const std::string& leaf) {
    const char* base = std::getenv("TMPDIR");
    return JoinPath(base && *base ? base : "/tmp", "orv-platform-" + std::to_string(getpid()) + "-" + leaf);
}

bool IsFolder(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Runs InitHomeFolder on a copy of args; returns the args left over.
std::vector<std::string> InitHome(std::vector<std::string> args, bool* ok, std::string* error = nullptr) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(args.size());
    *ok = InitHomeFolder(argc, argv.data(), error);
    return std::vector<std::string>(argv.begin(), argv.begin() + argc);
}

TEST(Paths, ProgramFolderAndModuleNameDescribeThisProgram) {
    EXPECT_EQ(ModuleName(), "orv_platform_tests");
    EXPECT_TRUE(IsFolder(ProgramFolder()));
    EXPECT_EQ(access(JoinPath(ProgramFolder(), ModuleName()).c_str(), X_OK), 0);
}

TEST(Paths, HomeFolderFromArgumentVariableOrProgramFolder) {
    const std::string fromArg = TempFolder("arg/deeper");
    const std::string fromEnv = TempFolder("env");
    setenv("ORV_HOME", fromEnv.c_str(), 1);
    bool ok = false;
    auto left = InitHome({"prog", "-x", "--home", fromArg, "y"}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(left, (std::vector<std::string>{"prog", "-x", "y"})) << "--home DIR is taken out";
    EXPECT_EQ(HomeFolder(), fromArg) << "the argument wins over ORV_HOME";
    EXPECT_TRUE(IsFolder(fromArg)) << "the folder is created";

    left = InitHome({"prog", "--home=" + fromArg}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(left, (std::vector<std::string>{"prog"}));

    left = InitHome({"prog"}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(HomeFolder(), fromEnv);
    EXPECT_TRUE(IsFolder(fromEnv));

    unsetenv("ORV_HOME");
    InitHome({"prog"}, &ok);
    EXPECT_EQ(HomeFolder(), ProgramFolder());

    std::string error;
    InitHome({"prog", "--home"}, &ok, &error);
    EXPECT_FALSE(ok) << "--home without a folder";
    EXPECT_NE(error.find("--home needs a folder"), std::string::npos) << error;
    // An empty folder is refused with its reason, even with ORV_HOME set: it never falls
    // back to another folder.
    setenv("ORV_HOME", fromEnv.c_str(), 1);
    for (std::vector<std::string> empty : {std::vector<std::string>{"prog", "--home", ""}, {"prog", "--home="}}) {
        error.clear();
        InitHome(empty, &ok, &error);
        EXPECT_FALSE(ok) << "an empty --home was taken";
        EXPECT_NE(error.find("--home needs a folder"), std::string::npos) << error;
    }
    unsetenv("ORV_HOME");
    InitHome({"prog", "--home", "/proc/no-such/home"}, &ok, &error);
    EXPECT_FALSE(ok) << "a folder that cannot be created";
    EXPECT_EQ(error, "the home folder \"/proc/no-such/home\" cannot be created");

    rmdir(fromArg.c_str());
    rmdir(TempFolder("arg").c_str());
    rmdir(fromEnv.c_str());
    SetHomeFolder(ProgramFolder());
}

TEST(Paths, PlainFileNamesAndJoining) {
    for (const char* good : {"a.ini", "Call Log.txt", "...", ".hidden", "x"})
        EXPECT_TRUE(IsPlainFileName(good)) << good;
    for (const std::string& bad : std::vector<std::string>{"", ".", "..", "a/b", "/abs", "..\\up", "dir/", std::string("a\0b", 3)})
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
    EXPECT_EQ(JoinPath("/a/", "/b"), "/a/b");
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
    EXPECT_EQ(JoinPath("a", ""), "a");
}

TEST(System, RunningProcessesIncludeThisProgram) {
    const auto names = RunningProcessNames();
    EXPECT_NE(std::find(names.begin(), names.end(), ModuleName()), names.end())
        << "the full name, though the kernel's comm is cut at 15 characters";
    EXPECT_GE(CountRunningProcesses(ModuleName()), 1);
    EXPECT_GE(CountRunningProcesses("ORV_PLATFORM_TESTS"), 1) << "names compare without case";
    EXPECT_EQ(CountRunningProcesses("no-such-program-anywhere"), 0);
}

TEST(System, ShellOpenProgramPassesArgumentsUntouched) {
    // A file name a shell would split and run: with argv passing it stays one name.
    const std::string folder = TempFolder("spawn");
    mkdir(folder.c_str(), 0755);
    const std::string target = JoinPath(folder, "a b;touch x");
    ASSERT_TRUE(ShellOpenProgram("/usr/bin/touch", {target}));
    const std::uint32_t start = GetTickCount();
    while (access(target.c_str(), F_OK) != 0 && TickDiff(GetTickCount(), start) < 10000)
        Sleep(5);
    EXPECT_EQ(access(target.c_str(), F_OK), 0);
    EXPECT_NE(access(JoinPath(folder, "x").c_str(), F_OK), 0);
    unlink(target.c_str());
    rmdir(folder.c_str());

    EXPECT_FALSE(ShellOpenProgram("/no/such/program"));
    EXPECT_FALSE(ShellOpenProgram(""));
    EXPECT_FALSE(ShellOpenDocument(""));
}

TEST(System, LoopbackAddressAndHostLookup) {
    const auto addresses = LocalIPv4Addresses();
    ASSERT_FALSE(addresses.empty());
    const auto& last = addresses.back();
    EXPECT_EQ(last.address, htonl(INADDR_LOOPBACK)) << "loopback is listed last";
    EXPECT_EQ(last.mask, htonl(0xFF000000u));
    std::uint32_t a = 0;
    ASSERT_TRUE(ResolveIPv4("127.0.0.1", &a));
    EXPECT_EQ(a, htonl(INADDR_LOOPBACK));
    a = 0;
    ASSERT_TRUE(ResolveIPv4("localhost", &a));
    EXPECT_EQ(a, htonl(INADDR_LOOPBACK));
    EXPECT_FALSE(ResolveIPv4("", &a));
}

} // namespace
} // namespace orv
