// The registered session: keep-alive pace from the server's TTL, re-logon demand, NAT echo,
// forced logout, logout, and silence while not registered.
#include "client/data/client_config.h"
#include "client/userserver/user_serv_config.h"
#include "tests/handlers/session_fixture.h"

#include <fstream>
#include <sstream>

namespace orv::test {
namespace {

class UserServSession : public SessionTest {
protected:
    // Answers the keep-alive with a TTL and returns the next keep-alive, sent period ms later.
    Datagram AnswerKeepAlive(const Datagram& request, std::uint32_t ttlSeconds, std::uint32_t period) {
        m_server.Send(PKT_KEEPALIVE, request.seqNum, Cat({U8(0), U32(ttlSeconds)}));
        Fence();
        int sends = CountInLog("PktType=0x0103");
        Advance(period - 1000);
        EXPECT_EQ(CountInLog("PktType=0x0103"), sends) << "sent before the period was over";
        Advance(1001);
        return Expect(PKT_KEEPALIVE);
    }
    // Read through the session's own lock: the network thread writes it.
    int Period() { return static_cast<int>(GetKeepAlivePeriod(*m_config)); }
    std::string SettingsFile() const {
        std::ifstream in(m_config->SettingsFile());
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(UserServSession, KeepAlivePeriodIsAThirdOfTheTtlAndNeverGrows) {
    std::map<std::uint16_t, Datagram> sent = LogOn(77);
    Datagram second = AnswerKeepAlive(sent[PKT_KEEPALIVE], 90, 30000);
    EXPECT_EQ(Period(), 30000);
    EXPECT_NE(SettingsFile().find("TTL=30000"), std::string::npos);
    EXPECT_EQ(second.payload.size(), 12u);
    EXPECT_EQ(second.payload[8], 77);
    EXPECT_GT(second.seqNum, sent[PKT_KEEPALIVE].seqNum);

    Datagram third = AnswerKeepAlive(second, 300, 30000);
    EXPECT_EQ(Period(), 30000);
    EXPECT_GT(third.seqNum, second.seqNum);

    // A shorter TTL lowers it.
    AnswerKeepAlive(third, 60, 20000);
    EXPECT_EQ(Period(), 20000);
}

TEST_F(UserServSession, UnansweredScheduledKeepAliveTimesOutToTheMainWindow) {
    std::map<std::uint16_t, Datagram> sent = LogOn(77);
    Datagram next = AnswerKeepAlive(sent[PKT_KEEPALIVE], 90, 30000);
    // 30000 / 5000 + 1 = 7 resends at 5 s, then the time-out.
    for (int i = 0; i < 7; ++i) {
        Advance(5001);
        Datagram resent = Expect(PKT_KEEPALIVE);
        EXPECT_GT(resent.seqNum, next.seqNum);
        next = resent;
    }
    Advance(5001);
    MSG timeout = WaitMessage(WM_SERVER_FAILURE);
    EXPECT_EQ(timeout.wParam, PKT_KEEPALIVE);
    EXPECT_TRUE(WaitLog("KeepAlive Timeout"));
    EXPECT_EQ(EndpointID.load(), 77u); // the shell decides what happens next
}

TEST_F(UserServSession, RelogonDemandSoonAfterKeepAliveKeepsTheFloorAndLogsReset) {
    std::map<std::uint16_t, Datagram> sent = LogOn(77);
    m_server.Send(PKT_KEEPALIVE, sent[PKT_KEEPALIVE].seqNum, Cat({U8(0), U32(90)}));
    Fence();
    ASSERT_EQ(Period(), 30000);
    m_clock += 10000;
    m_server.Send(PKT_WANT_RELOGON, 0, {});
    MSG demand = WaitMessage(WM_SERVER_FAILURE);
    EXPECT_EQ(demand.wParam, PKT_WANT_RELOGON);
    EXPECT_EQ(demand.lParam, 0);
    EXPECT_TRUE(WaitLog("Want Relogon"));
    EXPECT_TRUE(WaitLog("Reset TTL=30s"));
    EXPECT_EQ(Period(), 30000);
    EXPECT_EQ(EndpointID.load(), 0u);
    EXPECT_EQ(m_timers->Count(), 0u); // the scheduled keep-alive and the info requests are gone
}

TEST_F(UserServSession, RelogonDemandLowersALongPeriodByFiveSeconds) {
    StoreKeepAlivePeriod(*m_config, 60000);
    std::map<std::uint16_t, Datagram> sent = LogOn(77);
    m_server.Send(PKT_KEEPALIVE, sent[PKT_KEEPALIVE].seqNum, Cat({U8(0), U32(600)})); // 200 s: stays 60 s
    Fence();
    m_clock += 61000;
    m_server.Send(PKT_WANT_RELOGON, 0, {});
    WaitMessage(WM_SERVER_FAILURE);
    EXPECT_TRUE(WaitLog("Reset TTL=55s"));
    EXPECT_EQ(Period(), 55000);
}

TEST_F(UserServSession, RelogonDemandLongAfterTheLastKeepAliveLeavesThePeriod) {
    std::map<std::uint16_t, Datagram> sent = LogOn(77);
    m_server.Send(PKT_KEEPALIVE, sent[PKT_KEEPALIVE].seqNum, Cat({U8(0), U32(120)}));
    Fence();
    ASSERT_EQ(Period(), 40000);
    m_clock += 40000 + 3000;
    m_server.Send(PKT_WANT_RELOGON, 0, {});
    WaitMessage(WM_SERVER_FAILURE);
    EXPECT_TRUE(WaitLog("Want Relogon"));
    EXPECT_EQ(CountInLog("Reset TTL"), 0);
    EXPECT_EQ(Period(), 40000);
}

TEST_F(UserServSession, ForcedLogoutWithAnotherIdentifierStillLogsOut) {
    LogOn(77);
    m_server.Send(PKT_LOGOUT, 0, Cat({U32(999), U32(2)}));
    MSG logout = WaitMessage(WM_FORCED_LOGOUT);
    EXPECT_EQ(logout.wParam, 2u);
    Fence();
    EXPECT_EQ(CountInLog("OnLogout, EndpointID=999, not me"), 1);
    EXPECT_EQ(EndpointID.load(), 0u);
    EXPECT_EQ(m_timers->Count(), 0u);
}

TEST_F(UserServSession, NatDetectIsEchoedWithTheServersNumber) {
    LogOn(77);
    for (std::uint32_t seq : {0u, 4242u}) {
        m_server.Send(PKT_NAT_DETECT, seq, {});
        Datagram echo = Expect(PKT_NAT_DETECT);
        EXPECT_EQ(echo.seqNum, seq);
        ASSERT_EQ(echo.payload.size(), 12u);
        EXPECT_EQ(echo.payload[8], 77);
    }
    EXPECT_TRUE(WaitLog("OnNATDect EndpointID=77"));
}

TEST_F(UserServSession, LogoutSendsOnceWithTheEndpoint) {
    LogOn(77);
    ASSERT_NE(m_handler->DoLogout(), 0);
    Datagram logout = Expect(PKT_LOGOUT);
    ASSERT_EQ(logout.payload.size(), 16u);
    EXPECT_EQ(logout.payload[8], 77);
    EXPECT_EQ(logout.payload[12], 1);
    EXPECT_TRUE(WaitLog("DoLogout EPID=77"));
}

TEST_F(UserServSession, NothingIsSentWhileNotRegistered) {
    m_handler->DoGetInfoRequest(PKT_QUERY_SVR_IPPORT, 0, 0); // lets the fake server learn our address
    EXPECT_EQ(Expect(PKT_QUERY_SVR_IPPORT).seqNum, 0u);
    EXPECT_EQ(m_handler->DoKeepAlive(-1, 5000, 0), 0);
    EXPECT_EQ(m_handler->DoLogout(), 0);
    m_server.Send(PKT_NAT_DETECT, 7, {});
    m_server.Send(PKT_LOGOUT, 0, Cat({U32(1), U32(2)}));
    m_server.Send(PKT_KEEPALIVE, 0, Cat({U8(0), U32(90)}));
    Fence();
    EXPECT_EQ(CountInLog("DoKeepAlive Local EndpointID=0, means not registered"), 1);
    EXPECT_EQ(CountInLog("DoLogout Local EndpointID=0, means not registered"), 1);
    EXPECT_EQ(CountInLog("OnNatDetect Local EndpointID=0, means not registered"), 1);
    EXPECT_EQ(CountInLog("OnLogout Local EndpointID=0, means not registered"), 1);
    EXPECT_EQ(CountInLog("OnKeepAliveAck Local EndpointID=0, means not registered"), 1);
    for (const MSG& m : TakeMessages()) EXPECT_NE(m.message, WM_FORCED_LOGOUT);
    // The first datagram the server sees is the one asked for now: nothing went out before.
    m_handler->DoGetInfoRequest(PKT_QUERY_SVR_IPPORT, 0, 0);
    EXPECT_EQ(Expect(PKT_QUERY_SVR_IPPORT).seqNum, 1u);
}

} // namespace
} // namespace orv::test
