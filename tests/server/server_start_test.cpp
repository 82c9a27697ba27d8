// orvserver's start on database files it must not trust, and its log under a flood of junk
// datagrams, as a process over real files and a real socket.
#include "server/subscriber_db.h"
#include "server/talk_packets.h"
#include "tests/e2e/service_processes.h"
#include "tests/server/test_folder.h"
#include "tests/server/udp_test_client.h"

#include <sqlite3.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr int kWaitMs = 10000;

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ServerRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Starts orvserver (through prefix, e.g. a mount namespace, when given) on home and stops it
// at once by closing its input; the process's exit code, standard output and error.
ServerRun StartAndStop(const std::string& home, const std::vector<std::string>& extra = {},
                       const std::vector<std::string>& prefix = {}) {
    static int runs = 0;
    const std::string errFile =
        std::filesystem::temp_directory_path() /
        ("orvserver-start-" + std::to_string(::getpid()) + "-" + std::to_string(++runs) + ".err");
    std::vector<std::string> args = prefix;
    args.insert(args.end(),
                {ProgramPath("orvserver"), "--home", home, "--user-port", "0", "--quit-on-eof"});
    args.insert(args.end(), extra.begin(), extra.end());
    const std::string program = args.front();
    args.erase(args.begin());
    ServerRun run;
    ChildProcess server;
    if (!server.Start(program, args, errFile)) return run;
    server.WaitForLine("LISTEN video udp",
                       kWaitMs); // a good start is complete; a bad one has ended
    server.CloseInput();
    int status = -1;
    if (server.WaitExit(kWaitMs, &status) && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.out = server.Output();
    run.err = ReadText(errFile);
    std::filesystem::remove(errFile);
    return run;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Runs a command in a mount namespace of its own where path is mounted read-only.
std::vector<std::string> ReadOnlyMount(const std::string& path) {
    return {"/usr/bin/unshare",
            "-m",
            "sh",
            "-c",
            "mount --bind -o ro \"$0\" \"$0\" && exec \"$@\"",
            path};
}

bool MountNamespacesWork() {
    return std::system("unshare -m sh -c 'mount --bind -o ro /tmp /tmp' >/dev/null 2>&1") == 0;
}

TEST(ServerStartTest, DatabaseFilesThatCannotBeTrustedStopTheStartAndLoseNothing) {
    TestFolder home;
    const std::string db = home.File(kSubscriberDbName);

    // An emptied file is a lost database, not a new one: no demo subscribers with published
    // passwords, and the file stays as it is.
    std::ofstream(db).close();
    ServerRun run = StartAndStop(home.Path());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_TRUE(Contains(run.err, "is empty")) << run.err;
    EXPECT_FALSE(Contains(run.out, "DEMO")) << run.out;
    EXPECT_EQ(std::filesystem::file_size(db), 0u);

    // Nor is a folder in its place taken for anything.
    std::filesystem::remove(db);
    std::filesystem::create_directory(db);
    run = StartAndStop(home.Path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "is not a file")) << run.err;
    std::filesystem::remove(db);

    // Demo subscribers come into a new file only, or when asked for: then only the missing
    // ones, and an existing subscriber of a demo number keeps its password.
    run = StartAndStop(home.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "DEMO number=8001 password=1111")) << run.out;
    {
        std::string error;
        auto subscribers = SubscriberDb::Open(db, &error);
        ASSERT_TRUE(subscribers) << error;
        ASSERT_TRUE(subscribers->Remove("8002"));
        ASSERT_TRUE(subscribers->SetPassword("8001", "mine"));
        // Enough subscribers for the table to span many pages.
        ASSERT_EQ(sqlite3_exec(subscribers->Handle(), "BEGIN", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        for (int i = 0; i < 600; ++i)
            ASSERT_TRUE(subscribers->Add("70" + std::to_string(1000 + i), "secret"));
        ASSERT_EQ(sqlite3_exec(subscribers->Handle(), "COMMIT", nullptr, nullptr, nullptr),
                  SQLITE_OK);
    }
    run = StartAndStop(home.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_FALSE(Contains(run.out, "DEMO")) << run.out;
    run = StartAndStop(home.Path(), {"--demo"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "DEMO number=8002 password=2222")) << run.out;
    EXPECT_FALSE(Contains(run.out, "DEMO number=8001")) << run.out;
    EXPECT_FALSE(Contains(run.out, "DEMO support")) << "the support entry was there already";

    // A home or database that cannot be written is named as such.
    if (MountNamespacesWork()) {
        run = StartAndStop(home.Path(), {}, ReadOnlyMount(home.Path()));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(Contains(run.err, "cannot write in the home folder " + home.Path() +
                                          ": Read-only file system"))
            << run.err;
        run = StartAndStop(home.Path(), {}, ReadOnlyMount(db));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(Contains(run.err, db + " is read-only")) << run.err;
    } else {
        ADD_FAILURE() << "no mount namespace here: the read-only cases were not tried";
    }

    // A page overwritten in the middle of the file: the start refuses it, instead of
    // running and failing logons later, and leaves the file for a repair.
    const auto size = std::filesystem::file_size(db);
    ASSERT_GT(size, 8u * 4096);
    {
        std::fstream file(db, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(size / 4096 / 2 * 4096));
        const std::string junk(4096, '\xAB');
        file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    run = StartAndStop(home.Path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "is damaged")) << run.err;
    EXPECT_EQ(std::filesystem::file_size(db), size);
}

// Sends a burst of the same datagram from an unregistered address; the server's log must
// stay bounded, with the lines left out summed up.
void ExpectBoundedLogUnderFlood(const std::vector<std::uint8_t>& junk) {
    TestFolder home;
    ChildProcess server;
    std::string address;
    ASSERT_TRUE(StartServerProcess(server, home.Path(), {}, kWaitMs, &address)) << server.Output();
    UdpTestClient client;
    const auto started = std::chrono::steady_clock::now();
    constexpr int kJunk = 2000;
    for (int i = 0; i < kJunk; ++i)
        ASSERT_TRUE(client.Send(junk, PortOf(address)));
    // Once the burst is over, the next second's first drop sums up what was left out.
    const std::string errFile = home.File("server.err");
    const auto deadline = started + std::chrono::seconds(10);
    while (!Contains(ReadText(errFile), "more lines not logged") &&
           std::chrono::steady_clock::now() < deadline) {
        ASSERT_TRUE(client.Send(junk, PortOf(address)));
        ::usleep(50000);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::string log = ReadText(errFile);
    ASSERT_TRUE(Contains(log, "more lines not logged")) << log.substr(0, 2000);
    std::size_t dropLines = 0;
    for (std::size_t at = log.find("user: drop"); at != std::string::npos;
         at = log.find("user: drop", at + 1)) {
        ++dropLines;
    }
    EXPECT_LE(dropLines, 10 * (static_cast<std::size_t>(seconds) + 2)) << seconds << " s";
    EXPECT_LT(log.size(), std::size_t{kJunk} * 82 / 10) << "far less than a line per datagram";
}

TEST(ServerStartTest, AFloodOfJunkDatagramsWritesABoundedLog) { ExpectBoundedLogUnderFlood({1, 2, 3}); }

TEST(ServerStartTest, AFloodOfTalkRequestsFromNoRegistrationWritesABoundedLog) {
    ExpectBoundedLogUnderFlood(BuildHeaderOnly(kPktTalkRequest, 1));
}

} // namespace
} // namespace orv
