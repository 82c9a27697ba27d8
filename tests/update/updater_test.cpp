// The updater as the client leaves it, run from a program folder of its own: it waits for
// the client program of its folder to end, puts each listed file in place (an existing
// one, a new one, the client program itself), refuses targets outside the folder (through
// ".." or a link on the way), removes the hand-over file and starts the new client. With
// no hand-over file it ends and starts nothing.
#include "client/update/handover_file.h"
#include "client/update/update_target.h"
#include "tests/app/file_wait.h"
#include "tests/e2e/child_process.h"
#include "tests/server/test_folder.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace orv {
namespace {

namespace fs = std::filesystem;
constexpr int kWaitMs = 20000;

TEST(Updater, WaitsForTheClientReplacesTheListedFilesAndStartsTheNewClient) {
    TestFolder root;
    const std::string program = root.File("program");
    const std::string outside = root.File("outside");
    fs::create_directories(program + "/data");
    fs::create_directories(outside);
    for (const char* name : {"updater", "liborvplatform.so"}) fs::copy_file(ProgramPath(name), program + "/" + name);
    // The running client: any program, under the client's name in this folder.
    fs::copy_file("/bin/sleep", program + "/" + kClientProgramName);
    ChildProcess client;
    ASSERT_TRUE(client.Start(program + "/" + kClientProgramName, {"60"}, root.File("client.err")));

    WriteAll(program + "/greeting.txt", "v1");
    WriteAll(program + "/greeting.txt.bak", "v2");
    WriteAll(program + "/data/tables.dat.bak", "tables"); // no old file
    WriteAll(program + "/" + kClientProgramName + ".bak",
             "#!/bin/sh\necho started > \"$(dirname \"$0\")/started.txt\"\n", true);
    WriteAll(outside + "/escape.txt", "outside");
    WriteAll(outside + "/escape.txt.bak", "evil");
    fs::create_directory_symlink(outside, program + "/link");
    WriteAll(outside + "/linked.txt", "outside");
    WriteAll(outside + "/linked.txt.bak", "evil");
    const std::string handOver = program + "/" + kHandOverFileName;
    ASSERT_TRUE(CreateHandOverFile(handOver));
    std::size_t index = 0;
    for (const std::string& target : {program + "/greeting.txt", program + "/../outside/escape.txt",
                                      program + "/link/linked.txt", program + "/data/tables.dat",
                                      program + "/" + kClientProgramName})
        ASSERT_TRUE(AddHandOverEntry(handOver, index++, target));

    ChildProcess updater;
    ASSERT_TRUE(updater.Start(program + "/updater", {}, root.File("updater.err")));
    // Nothing moves while the client runs.
    EXPECT_FALSE(FileShows(program + "/greeting.txt", "v2", 500));
    client.Signal(SIGTERM);
    ASSERT_TRUE(client.WaitExit(kWaitMs));
    int status = -1;
    ASSERT_TRUE(updater.WaitExit(kWaitMs, &status)) << ReadAll(root.File("updater.err"));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadAll(root.File("updater.err"));

    EXPECT_EQ(ReadAll(program + "/greeting.txt"), "v2");
    EXPECT_EQ(ReadAll(program + "/data/tables.dat"), "tables");
    EXPECT_EQ(ReadAll(outside + "/escape.txt"), "outside");
    EXPECT_EQ(ReadAll(outside + "/linked.txt"), "outside");
    EXPECT_TRUE(fs::exists(outside + "/escape.txt.bak") && fs::exists(outside + "/linked.txt.bak"));
    EXPECT_FALSE(fs::exists(handOver));
    std::vector<std::string> leftovers;
    for (const auto& e : fs::recursive_directory_iterator(program)) {
        const std::string ext = e.path().extension().string();
        if (ext == ".bak" || ext == ".tmp") leftovers.push_back(e.path().string());
    }
    EXPECT_TRUE(leftovers.empty()) << testing::PrintToString(leftovers);
    // The new client program was started.
    EXPECT_TRUE(FileShows(program + "/started.txt", "started", kWaitMs)) << ReadAll(root.File("updater.err"));

    // Started again with nothing handed over: it ends and starts nothing.
    fs::remove(program + "/started.txt");
    ChildProcess idle;
    ASSERT_TRUE(idle.Start(program + "/updater", {}, root.File("idle.err")));
    ASSERT_TRUE(idle.WaitExit(kWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fs::exists(program + "/started.txt"));
    EXPECT_EQ(ReadAll(root.File("idle.err")), "");
}

} // namespace
} // namespace orv
