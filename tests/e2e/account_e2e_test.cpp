// The prepaid account end to end: a real orvserver (its account server announced by the
// user server) and real orvcli processes. Every wait is bounded.
#include "tests/e2e/cli_processes_fixture.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr int kWaitMs = 20000;

class AccountE2eTest : public CliProcessesTest {
protected:
    void SetUp() override { StartServer(); }

    void Admin(const std::string& line) {
        ASSERT_TRUE(m_server.WriteLine(line));
        ASSERT_TRUE(m_server.WaitForLine("ADMIN ok " + line.substr(0, line.find(' ')), kWaitMs)) << m_server.Output();
    }

    // The event that answers command, taken from the client's output.
    static std::string Ask(ChildProcess& client, const std::string& command, const std::string& event) {
        EXPECT_TRUE(client.WriteLine(command));
        std::string line;
        EXPECT_TRUE(client.WaitForLine("EVENT " + event, kWaitMs, &line)) << client.Output();
        return line;
    }
};

TEST_F(AccountE2eTest, RefillCardsAreCheckedAndARightOneGrowsTheBalanceOnce) {
    Admin("setbalance 8001 12345");
    Admin("addcard 4000*17 pw4000 500");
    ChildProcess& a = StartClient("8001", "1111");
    LogOn(a, "8001");

    // The first request finds the account server through the user server.
    EXPECT_NE(Ask(a, "account", "account_balance").find("value=12345 balance=\"123.45 RMB\""), std::string::npos);
    // The dialog's own check: nothing reaches the server.
    EXPECT_NE(Ask(a, "refill 4000-17 pw4000", "refill_refused").find("Illegal refill card number"),
              std::string::npos);
    EXPECT_NE(Ask(a, "refill 4999 pw4000", "refill_failed")
                  .find("reason=-2 text=\"Account refill failure, Refill card number does not exist\""),
              std::string::npos);
    EXPECT_NE(Ask(a, "refill 4000*17 wrong", "refill_failed").find("reason=-3 text=\"Account refill failure, Invalid password\""),
              std::string::npos);
    const std::string done = Ask(a, "refill 4000*17 pw4000", "refill_done");
    EXPECT_NE(done.find("value=12845 balance=\"128.45 RMB\""), std::string::npos) << done;
    EXPECT_NE(done.find("current balance is 128.45 RMB"), std::string::npos) << done;
    // A used card is gone.
    EXPECT_NE(Ask(a, "refill 4000*17 pw4000", "refill_failed").find("reason=-2"), std::string::npos);
    EXPECT_NE(Ask(a, "account", "account_balance").find("value=12845"), std::string::npos);

    // Another subscriber has a balance of its own, and the card stays used.
    ChildProcess& b = StartClient("8002", "2222");
    LogOn(b, "8002");
    EXPECT_NE(Ask(b, "account", "account_balance").find("value=0 balance=\"0.00 RMB\""), std::string::npos);
    EXPECT_NE(Ask(b, "refill 4000*17 pw4000", "refill_failed").find("reason=-2"), std::string::npos);

    // The server's record: one use, by 8001, and only the subscribers' own requests reported.
    ASSERT_TRUE(m_server.WriteLine("cards"));
    std::string card;
    ASSERT_TRUE(m_server.WaitForLine("CARD card=4000*17", kWaitMs, &card)) << m_server.Output();
    EXPECT_NE(card.find("value=500 used_by=8001"), std::string::npos) << card;
    ASSERT_TRUE(m_server.WaitForLine("ACCOUNT refill number=8001 card=4000*17 result=ok balance=12845", kWaitMs))
        << m_server.Output();
}

} // namespace
} // namespace orv
