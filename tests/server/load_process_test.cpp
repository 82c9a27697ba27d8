// A few thousand simulated clients (orvload) log on to orvserver as processes: every one
// is registered and kept alive, each logged on once (no resend made a second logon, no
// re-logon was demanded), and the logons of the last thousand take no longer, nor cost the
// server more work, than those of the first thousand. Then the server restarts: every
// client is demanded a re-logon once and logs on once more, with no storm. Two of them call
// the echo number throughout.
#include "tests/e2e/service_processes.h"
#include "tests/server/test_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace orv {
namespace {

constexpr int kClients = 3000;
constexpr int kWaitMs = 30000; // generous: the run itself takes a few seconds

// The "key=value" words of a line.
std::map<std::string, std::string> Fields(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
        const auto equals = word.find('=');
        if (equals != std::string::npos) fields[word.substr(0, equals)] = word.substr(equals + 1);
    }
    return fields;
}

double Number(const std::map<std::string, std::string>& fields, const std::string& key) {
    const auto found = fields.find(key);
    return found != fields.end() ? std::stod(found->second) : -1;
}

bool RunToEnd(ChildProcess& program, const std::string& path, const std::vector<std::string>& args,
              const std::string& err) {
    int status = -1;
    return program.Start(path, args, err) && program.WaitExit(kWaitMs, &status) && status == 0;
}

TEST(LoadProcess, ThousandsLogOnEvenlyAndAllComeBackOnceAfterARestart) {
    TestFolder home;
    const std::vector<std::string> who = {"--clients", std::to_string(kClients), "--first", "7000000"};
    ChildProcess writer;
    auto args = who;
    args.insert(args.end(), {"--write-subscribers", home.File("subscribers.txt")});
    ASSERT_TRUE(RunToEnd(writer, ProgramPath("orvload"), args, home.File("write.err")));
    ChildProcess import;
    ASSERT_TRUE(import.Start(ProgramPath("orvserver"), {"--home", home.Path(), "import", home.File("subscribers.txt")},
                             home.File("import.err")));
    ASSERT_TRUE(import.WaitForLine("ADMIN ok import " + std::to_string(kClients), kWaitMs)) << import.Output();

    // A TTL of 6 s: keep-alives every 2 s, so the clients notice the restart soon.
    ChildProcess server;
    std::string address;
    ASSERT_TRUE(StartServerProcess(server, home.Path(), {"--ttl", "6"}, kWaitMs, &address)) << server.Output();
    ChildProcess load;
    args = who;
    args.insert(args.end(), {"--server", address, "--rate", "1500", "--duration", "40", "--report", "1",
                             "--until-logons", std::to_string(2 * kClients), "--groups", "3", "--server-pid",
                             std::to_string(server.Pid()), "--echo-calls", "2", "--call-seconds", "1"});
    ASSERT_TRUE(load.Start(ProgramPath("orvload"), args, home.File("load.err")));
    std::string line;
    do {
        ASSERT_TRUE(load.WaitForLine("PROGRESS", kWaitMs, &line)) << load.Output();
    } while (Number(Fields(line), "kept_alive") != kClients);

    // The server's own account: one logon each, all live.
    ASSERT_TRUE(server.WriteLine("stats"));
    ASSERT_TRUE(server.WaitForLine("ADMIN ok stats", kWaitMs, &line)) << server.Output();
    auto stats = Fields(line);
    EXPECT_EQ(Number(stats, "live"), kClients) << line;
    EXPECT_EQ(Number(stats, "logons"), kClients) << line;
    EXPECT_EQ(Number(stats, "relogon_demands"), 0) << line;

    // A restart on the same port: each client hears one re-logon demand and logs on once.
    server.CloseInput();
    ASSERT_TRUE(server.WaitExit(kWaitMs));
    std::ifstream errors(home.File("server.err"));
    const std::string log((std::istreambuf_iterator<char>(errors)), {});
    EXPECT_NE(log.find("receive buffer"), std::string::npos);
    ChildProcess restarted;
    ASSERT_TRUE(StartServerProcess(restarted, home.Path(),
                                   {"--ttl", "6", "--user-port", std::to_string(PortOf(address)), "--talk-port", "0",
                                    "--media-port", "0", "--account-port", "0"},
                                   kWaitMs, &address))
        << restarted.Output();
    ASSERT_TRUE(load.WaitForLine("RESULT t=", kWaitMs, &line)) << load.Output();
    auto result = Fields(line);
    EXPECT_EQ(Number(result, "kept_alive"), kClients) << line;
    EXPECT_EQ(Number(result, "accepted"), 2 * kClients) << line;
    EXPECT_EQ(Number(result, "refused"), 0) << line;
    EXPECT_EQ(Number(result, "relogon_demands"), kClients) << line;
    ASSERT_TRUE(restarted.WriteLine("stats"));
    ASSERT_TRUE(restarted.WaitForLine("ADMIN ok stats", kWaitMs, &line)) << restarted.Output();
    stats = Fields(line);
    EXPECT_EQ(Number(stats, "live"), kClients) << line;
    EXPECT_EQ(Number(stats, "logons"), kClients) << "a logon storm: " << line;

    // The first logons, before the restart, in three groups as the table filled.
    std::vector<double> medians;
    std::vector<double> work;
    for (int g = 0; g < 3; ++g) {
        ASSERT_TRUE(load.WaitForLine("GROUP index=" + std::to_string(g), kWaitMs, &line)) << load.Output();
        auto group = Fields(line);
        EXPECT_EQ(Number(group, "logged_on"), kClients / 3) << line;
        medians.push_back(Number(group, "p50_ms"));
        work.push_back(Number(group, "server_cpu_us_per_logon"));
    }
    // With room for a busy machine, where waiting times jump about: the median logon time
    // and the CPU time the server's thread spent per logon (which waiting does not inflate).
    // A logon that walked the table would cost more and more as it fills.
    EXPECT_LE(medians[2], 4 * medians[0] + 25.0) << "first thousand " << medians[0] << " ms, last " << medians[2];
    ASSERT_GT(work[0], 0);
    EXPECT_LE(work[2], 4 * work[0] + 50.0) << "first thousand " << work[0] << " us each, last " << work[2];

    // Two clients called the echo number meanwhile and heard their audio come back.
    ASSERT_TRUE(load.WaitForLine("RESULT calls", kWaitMs, &line)) << load.Output();
    auto calls = Fields(line);
    EXPECT_GE(Number(calls, "accepted"), 1) << line;
    EXPECT_GE(Number(calls, "audio_echoed"), 1) << line;
    EXPECT_LE(Number(calls, "audio_echoed"), Number(calls, "audio_sent")) << line;
}

} // namespace
} // namespace orv
