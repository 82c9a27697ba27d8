// Logon conversation of the user-server handler against a server socket on 127.0.0.1:
// exact request bytes, sequence numbers, resends and stale answers, completion, refusals
// and time-outs, and the servers it takes datagrams from.
#include "wire/talk_establish.h"
#include "client/core/logon_sequence.h"
#include "client/log/log.h"
#include "client/text/text_table.h"
#include "platform/system.h"
#include "tests/handlers/session_fixture.h"

#include <arpa/inet.h>

#include <chrono>
#include <cstring>
#include <optional>

namespace orv::test {
namespace {

std::vector<std::uint32_t> ExpectedLoginAddresses() {
    std::vector<std::uint32_t> out;
    for (const LocalAddress& a : LocalIPv4Addresses())
        if ((ntohl(a.address) >> 24) != 127) out.push_back(ntohl(a.address));
    return out;
}

std::string Field(const std::vector<std::uint8_t>& p, std::size_t offset, std::size_t size) {
    const char* s = reinterpret_cast<const char*>(p.data() + offset);
    return std::string(s, strnlen(s, size));
}

bool AllZero(const std::vector<std::uint8_t>& p, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        if (p[i] != 0) return false;
    return true;
}

using UserServLogon = SessionTest;

TEST_F(UserServLogon, LoginRequestLayoutAndSequenceNumbersFromZero) {
    m_handler->SetBindValue(0x001A2B3C);
    m_handler->SetLoginInfo("8001", "0A1B2C3D-0A1B2C3D-0A1B2C3D-0A1B2C3D");
    ASSERT_NE(m_handler->QuerySvrIPPort(5), 0);
    Datagram query = Expect(PKT_QUERY_SVR_IPPORT);
    EXPECT_EQ(query.payload.size(), 8u);
    EXPECT_EQ(query.seqNum, 0u);
    m_server.Send(PKT_QUERY_SVR_IPPORT, 0, Cat({U8(127), U8(0), U8(0), U8(1), U16(m_server.Port())}));
    Datagram login = Expect(PKT_LOGIN);
    EXPECT_EQ(login.seqNum, 1u);

    std::vector<std::uint32_t> addresses = ExpectedLoginAddresses();
    const std::vector<std::uint8_t>& p = login.payload;
    ASSERT_EQ(p.size(), 147 + 6 * addresses.size());
    EXPECT_EQ(Field(p, 8, 32), "8001");
    EXPECT_TRUE(AllZero(p, 8 + 4, 8 + 32));
    EXPECT_EQ(Field(p, 40, 40), "0A1B2C3D-0A1B2C3D-0A1B2C3D-0A1B2C3D");
    EXPECT_TRUE(AllZero(p, 40 + 35, 80));
    EXPECT_EQ(Field(p, 80, 64), "001a2b3c");
    EXPECT_TRUE(AllZero(p, 80 + 8, 144));
    EXPECT_EQ(p[144], 2); // client kind
    EXPECT_EQ(p[145] | (p[146] << 8), static_cast<int>(addresses.size()));
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        std::size_t at = 147 + 6 * i;
        std::uint32_t value = p[at] | (p[at + 1] << 8) | (p[at + 2] << 16) | (static_cast<std::uint32_t>(p[at + 3]) << 24);
        EXPECT_EQ(value, addresses[i]) << "address " << i << " (first octet most significant)";
        EXPECT_EQ(p[at + 4] | (p[at + 5] << 8), 0);
    }
    EXPECT_TRUE(WaitLog("DoLogin ID=8001, PWD=********, BindInfo=001a2b3c, UserServ=127.0.0.1:" +
                        std::to_string(m_server.Port())));
    EXPECT_EQ(CountInLog("0A1B2C3D"), 0) << "the password digest reached the log";
    m_handler->CancelLogin(); // left unanswered here: the end need not wait for an answer
}

TEST_F(UserServLogon, OnlyTheEntryServerAndThenTheUserServerSteerTheSession) {
    FakeUserServer userServer;
    FakeUserServer stranger;
    m_handler->SetLoginInfo("8001", "0A1B2C3D-0A1B2C3D-0A1B2C3D-0A1B2C3D");
    ASSERT_NE(m_handler->QuerySvrIPPort(5), 0);
    Datagram query = Expect(PKT_QUERY_SVR_IPPORT);
    stranger.AimAt(query.from, query.fromPort);
    const std::string dropped = "not the server)";
    // While the entry server is asked, nobody else can name the user server.
    stranger.Send(PKT_QUERY_SVR_IPPORT, query.seqNum, Cat({U8(127), U8(0), U8(0), U8(1), U16(stranger.Port())}));
    ASSERT_TRUE(WaitLog("Error(Packet from 127.0.0.1:" + std::to_string(stranger.Port()) + ", " + dropped));
    m_server.Send(PKT_QUERY_SVR_IPPORT, query.seqNum, Cat({U8(127), U8(0), U8(0), U8(1), U16(userServer.Port())}));
    std::optional<Datagram> login = userServer.Receive();
    ASSERT_TRUE(login && login->type == PKT_LOGIN);
    EXPECT_FALSE(stranger.Receive(50)) << "the stranger's answer was taken";

    // From now on even the entry server is a stranger.
    m_server.Send(PKT_LOGIN, login->seqNum, Cat({U8(0), U32(66)}));
    userServer.Send(PKT_LOGIN, login->seqNum, Cat({U8(0), U32(77)}));
    ASSERT_TRUE(WaitLog("Login Success EndpointID=77"));

    // A registered client is neither logged off (whatever EndpointID the notice names), nor
    // sent to log on again, nor made to dial a talk server.
    stranger.Send(PKT_LOGOUT, 0, Cat({U32(77), U32(2)}));
    stranger.Send(PKT_LOGOUT, 0, Cat({U32(12345), U32(2)}));
    stranger.Send(PKT_WANT_RELOGON, 0, {});
    stranger.Send(PKT_TALK_ESTABLISH, 0, std::vector<std::uint8_t>(kTalkEstablishSize, 0));
    userServer.Send(0x01EE, 0, {}); // the user server's own datagram comes after them
    ASSERT_TRUE(WaitLog("Unknow Packet Type=0x01ee"));
    EXPECT_EQ(CountInLog(dropped), 1 + 1 + 4);
    EXPECT_EQ(CountInLog("Login Success EndpointID=66"), 0);
    EXPECT_EQ(EndpointID.load(), 77u);
    EXPECT_EQ(CountInLog("OnLogout"), 0);
    EXPECT_EQ(CountInLog("Want Relogon"), 0);
    EXPECT_EQ(CountInLog("TalkEstablish"), 0);
    for (const MSG& m : TakeMessages()) {
        EXPECT_NE(m.message, WM_FORCED_LOGOUT);
        EXPECT_NE(m.message, WM_SERVER_FAILURE);
    }

    // The user server itself still logs the client off.
    userServer.Send(PKT_LOGOUT, 0, Cat({U32(77), U32(2)}));
    EXPECT_EQ(WaitMessage(WM_FORCED_LOGOUT).wParam, 2u);
    EXPECT_EQ(EndpointID.load(), 0u);
}

TEST_F(UserServLogon, ResendCarriesNewNumberAndAnswerWithOldNumberIsIgnored) {
    Datagram login = LocateAndLogin();
    ASSERT_EQ(login.seqNum, 1u);
    Advance(5001);
    Datagram resent = Expect(PKT_LOGIN);
    EXPECT_EQ(resent.seqNum, 2u);
    EXPECT_TRUE(std::equal(login.payload.begin() + 8, login.payload.end(), resent.payload.begin() + 8));
    EXPECT_TRUE(WaitLog("ReSendData SeqNum=2, PktType=0x0101, HandleName=UserServHandler"));

    m_server.Send(PKT_LOGIN, 1, Cat({U8(0), U32(55)})); // the first number: stale
    EXPECT_TRUE(WaitLog("Get LoginAck Packet, But it has wrong Packet ID=1"));
    EXPECT_EQ(EndpointID.load(), 0u);
    m_server.Send(PKT_LOGIN, 2, Cat({U8(0), U32(55)}));
    Datagram keepAlive = Expect(PKT_KEEPALIVE); // the first thing a registered client sends
    EXPECT_EQ(EndpointID.load(), 55u);
    EXPECT_EQ(keepAlive.payload.size(), 12u);
    EXPECT_EQ(keepAlive.seqNum, 3u);
    EXPECT_TRUE(WaitLog("Login Success EndpointID=55"));
}

TEST_F(UserServLogon, CompletesOnlyAfterKeepAliveAndCustomInformation) {
    std::map<std::uint16_t, Datagram> sent = LogOn(77, false);
    EXPECT_EQ(sent[PKT_KEEPALIVE].payload[8], 77);
    // Custom information first: the logon is not complete yet.
    std::vector<std::uint8_t> custom(132, 0);
    custom[0] = 9;
    std::memcpy(custom.data() + 4, "Provider", 8);
    std::memcpy(custom.data() + 68, "http://svc.example/x", 20);
    m_server.Send(PKT_CUSTOM_INFO, sent[PKT_CUSTOM_INFO].seqNum, custom);
    Fence();
    EXPECT_EQ(CountInLog("Get CustomInfo Info Success CustomID=9, CustomName=Provider, BMSURL=http://svc.example/x"), 1);
    for (const MSG& m : TakeMessages()) EXPECT_NE(m.message, WM_LOGON_RESULT);
    EXPECT_EQ(m_handler->GetLogonProgress(), kAwaitKeepAlive);

    m_server.Send(PKT_KEEPALIVE, sent[PKT_KEEPALIVE].seqNum, Cat({U8(0), U32(90)}));
    MSG done = WaitMessage(WM_LOGON_RESULT);
    EXPECT_EQ(done.wParam, 0u);
    EXPECT_EQ(done.lParam, 0);
    EXPECT_EQ(m_handler->GetCustomName(), "Provider");
    EXPECT_EQ(m_handler->GetBMSURL(), "http://svc.example/x");

    // A second keep-alive answer does not report the logon again.
    Advance(30001);
    Datagram next = Expect(PKT_KEEPALIVE);
    m_server.Send(PKT_KEEPALIVE, next.seqNum, Cat({U8(0), U32(90)}));
    Fence();
    EXPECT_EQ(CountInLog("KeepAlive Success TTL=90 s"), 2);
    int reports = 0;
    for (const MSG& m : TakeMessages()) reports += m.message == WM_LOGON_RESULT;
    EXPECT_EQ(reports, 1);
}

TEST_F(UserServLogon, RefusedLoginTellsTheLogonWindowTheReason) {
    Datagram login = LocateAndLogin();
    m_server.Send(PKT_LOGIN, login.seqNum, Cat({U8(255), U32(static_cast<std::uint32_t>(-3))}));
    MSG refused = WaitMessage(WM_LOGON_RESULT);
    EXPECT_EQ(refused.wParam, 255u);
    EXPECT_EQ(refused.lParam, -3);
    EXPECT_TRUE(WaitLog("Login Failed Reason=-3"));
    EXPECT_EQ(EndpointID.load(), 0u);
}

TEST_F(UserServLogon, LoginTimeOutIsPostedWithTheRequestCopy) {
    m_handler->SetLoginInfo("8001", "x");
    ASSERT_NE(m_handler->DoLogin(1), 0);
    Datagram first = Expect(PKT_LOGIN);
    Advance(5001);
    Expect(PKT_LOGIN); // the one resend
    Advance(5001);
    MSG timeout = WaitMessage(WM_SERVER_FAILURE);
    EXPECT_EQ(timeout.wParam, PKT_LOGIN);
    ASSERT_NE(timeout.lParam, 0);
    const auto* copy = reinterpret_cast<const std::uint8_t*>(timeout.lParam);
    EXPECT_EQ(copy[0] | (copy[1] << 8), PKT_LOGIN);
    EXPECT_EQ(std::memcmp(copy + 8, first.payload.data() + 8, first.payload.size() - 8), 0);
    EXPECT_TRUE(WaitLog("Login Timeout"));
}

TEST_F(UserServLogon, MalformedAnswersAreDroppedAndAnUnusableLoginAnswerEndsTheLogon) {
    Datagram login = LocateAndLogin();
    m_server.Send(PKT_LOGIN, login.seqNum, Cat({U8(0), U32(5)}), 20); // PktLen disagrees
    EXPECT_TRUE(WaitLog("CUserServHandler OnUdpNotifyMsg Error(Error Packet Size)"));
    m_server.SendRaw({0x01, 0x01, 0x05}); // shorter than a header
    Fence();
    EXPECT_EQ(CountInLog("Error(Error Packet Size)"), 2);
    EXPECT_EQ(EndpointID.load(), 0u);
    m_handler->CancelLogin();

    // Answers that match the login but cannot be used end the logon as a failure the user
    // is shown, with nothing left pending: a short body, an unknown result, success
    // without an EndpointID.
    TextTable texts;
    texts.Fill();
    std::optional<LogonOutcome> outcome;
    LogonSequence logon(*m_handler, [&](const LogonOutcome& o) { outcome = o; });
    const std::vector<std::uint8_t> unusable[] = {Cat({U8(0), U16(5)}), Cat({U8(7), U32(5)}), Cat({U8(0), U32(0)})};
    for (const std::vector<std::uint8_t>& body : unusable) {
        outcome.reset();
        ASSERT_TRUE(logon.Start(LogonMode::Logon, {"127.0.0.1", m_server.Port(), "8001", "0A1B2C3D", 0}));
        Datagram query = Expect(PKT_QUERY_SVR_IPPORT);
        m_server.Send(PKT_QUERY_SVR_IPPORT, query.seqNum, Cat({U8(127), U8(0), U8(0), U8(1), U16(m_server.Port())}));
        Datagram request = Expect(PKT_LOGIN);
        m_server.Send(PKT_LOGIN, request.seqNum, body);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        MSG msg;
        while (!outcome && std::chrono::steady_clock::now() < deadline)
            if (GetMessageTimeout(&msg, 20)) DispatchMessage(&msg);
        ASSERT_TRUE(outcome.has_value()) << "the logon did not end, answer of " << body.size() << " bytes";
        EXPECT_EQ(outcome->kind, LogonOutcomeKind::Failed);
        EXPECT_EQ(texts.Text(outcome->titleText), "Logon Failed");
        EXPECT_EQ(texts.Text(outcome->messageText), "Communication with ORV Server failed");
        EXPECT_EQ(m_timers->Count(), 0u) << "a request is still pending";
        EXPECT_EQ(EndpointID.load(), 0u);
    }
    EXPECT_EQ(CountInLog("OnLoginAck Error(NULL Pointer)"), 1);
    EXPECT_EQ(CountInLog("OnLoginAck Error(Unknow Operate_Return)"), 1);
    EXPECT_EQ(CountInLog("OnLoginAck Error(EndpointID=0)"), 1);
}

TEST_F(UserServLogon, CancelledLogonIgnoresTheLateAnswer) {
    Datagram login = LocateAndLogin();
    m_handler->CancelLogin();
    EXPECT_TRUE(WaitLog("Login was Canceled"));
    EXPECT_EQ(m_timers->Count(), 0u);
    m_server.Send(PKT_LOGIN, login.seqNum, Cat({U8(0), U32(5)}));
    EXPECT_TRUE(WaitLog("Get LoginAck Packet, But it has wrong Packet ID=1"));
    EXPECT_EQ(EndpointID.load(), 0u);
}

} // namespace
} // namespace orv::test
