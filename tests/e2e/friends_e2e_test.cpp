// Friends, presence and service options end to end: a real orvserver and real orvcli
// processes on 127.0.0.1, each with a home folder of its own and system-chosen ports. Every
// wait is bounded; the processes are killed when a test ends.
#include "tests/e2e/cli_processes_fixture.h"

#include <gtest/gtest.h>

#include <memory>

namespace orv {
namespace {

constexpr int kWaitMs = 20000;

class FriendsE2eTest : public CliProcessesTest {
protected:
    void SetUp() override { StartServer(); }

    static void Quit(ChildProcess& client) {
        ASSERT_TRUE(client.WriteLine("quit"));
        EXPECT_TRUE(client.WaitExit(kWaitMs)) << client.Output();
    }
};

// The line's value of key ("key=value" up to the next blank), empty when it has none.
std::string ValueOf(const std::string& line, const std::string& key) {
    const std::size_t at = line.find(" " + key + "=");
    if (at == std::string::npos) return {};
    const std::size_t begin = at + key.size() + 2;
    return line.substr(begin, line.find(' ', begin) - begin);
}

TEST_F(FriendsE2eTest, AFriendIsSeenOnLineWhenItLogsOnAndOffLineWhenItQuits) {
    ChildProcess& a = StartClient("8001", "1111");
    LogOn(a, "8001");
    ASSERT_TRUE(a.WriteLine("friend-add Bob 8002 group=Work"));
    std::string stored;
    ASSERT_TRUE(a.WaitForLine("EVENT friend_stored", kWaitMs, &stored)) << a.Output();
    EXPECT_EQ(ValueOf(stored, "number"), "8002") << stored;
    EXPECT_EQ(ValueOf(stored, "online"), "0") << stored;
    const std::string id = ValueOf(stored, "id");
    ASSERT_FALSE(id.empty()) << stored;

    ChildProcess& b = StartClient("8002", "2222");
    LogOn(b, "8002");
    std::string status;
    ASSERT_TRUE(a.WaitForLine("EVENT friend_status", kWaitMs, &status)) << a.Output();
    EXPECT_EQ(ValueOf(status, "id"), id) << status;
    EXPECT_EQ(ValueOf(status, "online"), "1") << status;

    Quit(b);
    ASSERT_TRUE(a.WaitForLine("EVENT friend_status", kWaitMs, &status)) << a.Output();
    EXPECT_EQ(ValueOf(status, "id"), id) << status;
    EXPECT_EQ(ValueOf(status, "online"), "0") << status;

    // A fresh client of A's gets the friend from the server, off line.
    Quit(a);
    ChildProcess& again = StartClient("8001", "1111");
    LogOn(again, "8001");
    ASSERT_TRUE(again.WaitForLine("EVENT friend_stored", kWaitMs, &stored)) << again.Output();
    EXPECT_EQ(ValueOf(stored, "id"), id) << stored;
    EXPECT_EQ(ValueOf(stored, "name"), "Bob") << stored;
    EXPECT_EQ(ValueOf(stored, "online"), "0") << stored;
}

TEST_F(FriendsE2eTest, ANewPasswordLogsOnAndTheOldOneIsRefused) {
    ChildProcess& a = StartClient("8001", "1111");
    LogOn(a, "8001");
    ASSERT_TRUE(a.WriteLine("password 1111 s3cret"));
    std::string answer;
    ASSERT_TRUE(a.WaitForLine("EVENT password_set", kWaitMs, &answer)) << a.Output();
    EXPECT_EQ(ValueOf(answer, "result"), "0") << answer;
    Quit(a);

    ChildProcess& withNew = StartClient("8001", "s3cret");
    LogOn(withNew, "8001");
    ChildProcess& withOld = StartClient("8001", "1111");
    ASSERT_TRUE(withOld.WriteLine("logon"));
    EXPECT_TRUE(withOld.WaitForLine("EVENT logon_failed reason=-3", kWaitMs)) << withOld.Output();
    EXPECT_TRUE(withOld.WaitForText("Invalid password", kWaitMs)) << withOld.Output();
}

TEST_F(FriendsE2eTest, ACallToAnOffLineNumberIsAnOfflineCallAtItsNextLogon) {
    ChildProcess& a = StartClient("8001", "1111");
    LogOn(a, "8001");
    ASSERT_TRUE(a.WriteLine("call 8002"));
    std::string refused;
    ASSERT_TRUE(a.WaitForText("type=2", kWaitMs, &refused)) << a.Output();
    EXPECT_NE(refused.find("EVENT call_progress"), std::string::npos) << refused;

    ChildProcess& b = StartClient("8002", "2222");
    LogOn(b, "8002");
    std::string arrived;
    ASSERT_TRUE(b.WaitForLine("EVENT offline_calls_arrived", kWaitMs, &arrived)) << b.Output();
    EXPECT_EQ(ValueOf(arrived, "count"), "1") << arrived;
    ASSERT_TRUE(b.WriteLine("offline-calls"));
    std::string call;
    ASSERT_TRUE(b.WaitForLine("EVENT offline_call ", kWaitMs, &call)) << b.Output();
    EXPECT_EQ(ValueOf(call, "caller"), "8001") << call;
    EXPECT_EQ(ValueOf(call, "called"), "8002") << call;
    EXPECT_TRUE(b.WaitForLine("EVENT offline_calls count=1", kWaitMs)) << b.Output();
}

} // namespace
} // namespace orv
