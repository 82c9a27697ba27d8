#include "server/session_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <thread>

namespace orv {
namespace {

constexpr std::uint32_t kTtl = 9000;

TEST(SessionTable, KeepAlivesWithinTheTtlKeepARegistrationLiveAcrossTheTickWrap) {
    SessionTable table(kTtl);
    std::uint32_t now = 0xFFFFF000u; // the tick wraps during this test
    const auto logon = table.Register("8001", "127.0.0.1", 5000, now);
    ASSERT_NE(logon.endpoint, 0u);
    EXPECT_FALSE(logon.displacedOther);
    Session s;
    for (int i = 0; i < 5; ++i) {
        now += kTtl; // exactly the TTL is still in time
        EXPECT_EQ(table.KeepAlive(logon.endpoint, "127.0.0.1", 5000, now, &s), KeepAliveVerdict::Alive);
    }
    EXPECT_EQ(s.number, "8001");
    now += kTtl + 1;
    EXPECT_EQ(table.KeepAlive(logon.endpoint, "127.0.0.1", 5000, now, &s), KeepAliveVerdict::Expired);
}

TEST(SessionTable, AnExpiredRegistrationDemandsOneReLogonPerResendSpell) {
    SessionTable table(kTtl);
    const auto logon = table.Register("8001", "127.0.0.1", 5000, 1000);
    Session s;
    ASSERT_TRUE(table.Expire("8001", 2000));
    EXPECT_FALSE(table.Expire("8001", 2000)) << "only live registrations expire";
    EXPECT_EQ(table.KeepAlive(logon.endpoint, "127.0.0.1", 5000, 3000, &s), KeepAliveVerdict::Expired);
    EXPECT_EQ(table.KeepAlive(logon.endpoint, "127.0.0.1", 5000, 8000, &s), KeepAliveVerdict::Quiet);
    EXPECT_EQ(table.KeepAlive(logon.endpoint, "127.0.0.1", 5000, 13000, &s), KeepAliveVerdict::Expired);
    Session found;
    EXPECT_FALSE(table.FindLiveByAddress("127.0.0.1", 5000, 13000, &found));
}

TEST(SessionTable, ALogonElsewhereDisplacesTheOlderRegistration) {
    SessionTable table(kTtl);
    const auto first = table.Register("8001", "127.0.0.1", 5000, 0);
    const auto second = table.Register("8001", "127.0.0.1", 6000, 10);
    ASSERT_TRUE(second.displacedOther);
    EXPECT_EQ(second.displaced.endpoint, first.endpoint);
    EXPECT_EQ(second.displaced.port, 5000);
    EXPECT_NE(second.endpoint, first.endpoint);
    Session s;
    EXPECT_EQ(table.KeepAlive(first.endpoint, "127.0.0.1", 5000, 20, &s), KeepAliveVerdict::Displaced);
    EXPECT_EQ(table.KeepAlive(second.endpoint, "127.0.0.1", 6000, 20, &s), KeepAliveVerdict::Alive);
    // The displaced client logging on again displaces the other one in turn, and its old
    // endpoint no longer draws notices to its link.
    const auto third = table.Register("8001", "127.0.0.1", 5000, 30);
    ASSERT_TRUE(third.displacedOther);
    EXPECT_EQ(third.displaced.endpoint, second.endpoint);
    EXPECT_EQ(table.KeepAlive(first.endpoint, "127.0.0.1", 5000, 40, &s), KeepAliveVerdict::Alive);
}

TEST(SessionTable, TheSameClientLoggingOnAgainIsNotToldToLeave) {
    SessionTable table(kTtl);
    const auto first = table.Register("8001", "127.0.0.1", 5000, 0);
    const auto again = table.Register("8001", "127.0.0.1", 5000, 10);
    EXPECT_FALSE(again.displacedOther);
    Session s;
    // A keep-alive still in flight with the replaced endpoint: the link's registration is live.
    EXPECT_EQ(table.KeepAlive(first.endpoint, "127.0.0.1", 5000, 20, &s), KeepAliveVerdict::Alive);
    EXPECT_EQ(s.status, SessionStatus::Superseded);
    // A link that switches to another number leaves no live registration of the old one.
    const auto other = table.Register("8002", "127.0.0.1", 5000, 30);
    EXPECT_FALSE(other.displacedOther);
    ASSERT_TRUE(table.FindLiveByAddress("127.0.0.1", 5000, 40, &s));
    EXPECT_EQ(s.number, "8002");
    EXPECT_FALSE(table.Expire("8001", 40));
    int live = 0;
    for (const Session& each : table.Snapshot()) live += each.status == SessionStatus::Live ? 1 : 0;
    EXPECT_EQ(live, 1);
    // Once the link's registration is gone, the old endpoint hears a re-logon demand.
    ASSERT_TRUE(table.Logout(other.endpoint, "127.0.0.1", 5000));
    EXPECT_EQ(table.KeepAlive(first.endpoint, "127.0.0.1", 5000, 50, &s), KeepAliveVerdict::Expired);
}

TEST(SessionTable, EndpointsAnswerOnlyToTheirOwnAddress) {
    SessionTable table(kTtl);
    const auto logon = table.Register("8001", "127.0.0.1", 5000, 0);
    Session s;
    EXPECT_EQ(table.KeepAlive(logon.endpoint, "127.0.0.2", 5000, 10, &s), KeepAliveVerdict::WrongSender);
    EXPECT_EQ(table.KeepAlive(logon.endpoint, "127.0.0.1", 5001, 10, &s), KeepAliveVerdict::WrongSender);
    EXPECT_FALSE(table.Logout(logon.endpoint, "127.0.0.1", 5001));
    EXPECT_TRUE(table.Logout(logon.endpoint, "127.0.0.1", 5000));
    EXPECT_EQ(table.KeepAlive(logon.endpoint, "127.0.0.1", 5000, 20, &s), KeepAliveVerdict::Unknown);
    EXPECT_FALSE(table.Expire("8001", 20));
}

TEST(SessionTable, SweepExpiresSilentRegistrationsAndLaterForgetsThem) {
    SessionTable table(kTtl);
    const auto logon = table.Register("8001", "127.0.0.1", 5000, 0);
    table.Sweep(kTtl + 1);
    auto all = table.Snapshot();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].status, SessionStatus::Expired);
    table.Sweep(kTtl + 1 + 60000); // retention: ten TTLs, at least a minute
    EXPECT_EQ(table.Snapshot().size(), 1u);
    table.Sweep(kTtl + 1 + 90001);
    EXPECT_TRUE(table.Snapshot().empty());
    Session s;
    EXPECT_EQ(table.KeepAlive(logon.endpoint, "127.0.0.1", 5000, 200000, &s), KeepAliveVerdict::Unknown);
}

TEST(SessionTable, NatDetectsFollowTheirInterval) {
    SessionTable table(kTtl);
    table.Register("8001", "127.0.0.1", 5000, 0);
    std::uint32_t seq = 40;
    auto next = [&seq] { return seq++; };
    EXPECT_TRUE(table.TakeNatDetectsDue(2999, 3000, next).empty());
    auto due = table.TakeNatDetectsDue(3000, 3000, next);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].natSeq, 40u);
    EXPECT_TRUE(table.TakeNatDetectsDue(5999, 3000, next).empty());
    EXPECT_EQ(table.TakeNatDetectsDue(6000, 3000, next).size(), 1u);
    EXPECT_TRUE(table.TakeNatDetectsDue(kTtl + 3001, 3000, next).empty()) << "no detect to an overdue registration";
}

// Many logons in the same moment: their NAT detects leave in rounds of the given size, the
// longest waiting first, and a registration that is gone or replaced gets none.
TEST(SessionTable, NatDetectsOfAMassLogonLeaveInBoundedRoundsOldestFirst) {
    SessionTable table(kTtl);
    std::vector<std::uint32_t> endpoints;
    for (int i = 0; i < 300; ++i) {
        const auto port = static_cast<std::uint16_t>(6000 + i);
        endpoints.push_back(table.Register(std::to_string(9000 + i), "127.0.0.1", port, i < 100 ? 0 : 10).endpoint);
    }
    // The same client logs on again (superseded), another logs out: neither old endpoint hears.
    const std::uint32_t again = table.Register("9000", "127.0.0.1", 6000, 500).endpoint;
    ASSERT_TRUE(table.Logout(endpoints[1], "127.0.0.1", 6001));
    std::uint32_t seq = 1;
    auto next = [&seq] { return seq++; };
    std::vector<std::uint32_t> sent;
    for (std::uint32_t now = 3000; now <= 3400; now += 100) {
        const auto round = table.TakeNatDetectsDue(now, 3000, next, 70);
        EXPECT_EQ(round.size(), now < 3400 ? 70u : 18u);
        for (const Session& s : round) sent.push_back(s.endpoint);
    }
    ASSERT_EQ(sent.size(), 298u) << "every registration due, once";
    EXPECT_EQ(std::count(sent.begin(), sent.end(), endpoints[0]), 0);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), endpoints[1]), 0);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), again), 0) << "logged on at 500: due at 3500, after the others";
    for (std::size_t i = 0; i < 98; ++i) EXPECT_EQ(sent[i], endpoints[i + 2]) << "logged on first, detected first";
    const auto last = table.TakeNatDetectsDue(4000, 3000, next, 70);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].endpoint, again);
    // The next round of each comes an interval after its own detect, still in rounds.
    EXPECT_EQ(table.TakeNatDetectsDue(6000, 3000, next, 1000).size(), 70u);
}

TEST(SessionTable, ConcurrentUseKeepsOneRegistrationPerNumber) {
    SessionTable table(kTtl);
    std::atomic<std::uint32_t> now{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&table, &now, t] {
            const std::string number = "80" + std::to_string(t % 2); // two threads per number
            const auto port = static_cast<std::uint16_t>(5000 + t);
            Session s;
            for (int i = 0; i < 300; ++i) {
                const auto logon = table.Register(number, "127.0.0.1", port, now.fetch_add(1));
                table.KeepAlive(logon.endpoint, "127.0.0.1", port, now.load(), &s);
                table.FindLiveByAddress("127.0.0.1", port, now.load(), &s);
                if (i % 50 == 0) table.Sweep(now.load());
                table.Snapshot();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    int live = 0;
    for (const Session& s : table.Snapshot()) live += s.status == SessionStatus::Live ? 1 : 0;
    EXPECT_EQ(live, 2);
}

} // namespace
} // namespace orv
