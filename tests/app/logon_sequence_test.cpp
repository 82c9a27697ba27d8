// The logon sequence below the front-ends, driven through the client core on the platform's
// message loop (no Qt): each mode against a real orvserver, the update query's time-out
// against a socket that never answers, cancel, and requests that cannot be used.
#include "client/core/client_core.h"
#include "client/userserver/user_serv_packets.h"
#include "platform/paths.h"
#include "tests/e2e/service_processes.h"
#include "tests/server/test_folder.h"
#include "wire/password_digest.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>

namespace orv {
namespace {

constexpr int kWaitMs = 20000;
// Five update queries 5 s apart, then the time-out report.
constexpr int kUpdateTimeoutWaitMs = 40000;

class NoListener : public CoreListener {
public:
    void OnCoreEvent(const CoreEvent&) override {}
};

class LogonSequenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetHomeFolder(m_home.Path());
        std::string error;
        ASSERT_TRUE(m_core.Start(&error)) << error;
    }

    void StartServer() {
        std::string address;
        ASSERT_TRUE(StartServerProcess(m_server, m_serverHome.Path(), {}, kWaitMs, &address)) << m_server.Output();
        m_port = PortOf(address);
    }

    LogonRequest Request(const std::string& number, const std::string& password) const {
        return {"127.0.0.1", m_port, number, PasswordDigest(number, password), 0};
    }

    bool Start(LogonMode mode, const LogonRequest& request) {
        m_outcome.reset();
        return m_core.StartLogon(mode, request, [this](const LogonOutcome& o) { m_outcome = o; });
    }

    // Runs this thread's messages until the outcome arrives or the time is up.
    bool WaitForOutcome(int timeoutMs) {
        const std::uint32_t start = GetTickCountForTest();
        MSG msg;
        while (!m_outcome && GetTickCountForTest() - start < static_cast<std::uint32_t>(timeoutMs)) {
            if (GetMessageTimeout(&msg, 100)) DispatchMessage(&msg);
        }
        return m_outcome.has_value();
    }

    static std::uint32_t GetTickCountForTest() {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<std::uint32_t>(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
    }

    TestFolder m_home;
    TestFolder m_serverHome;
    ChildProcess m_server;
    std::uint16_t m_port = 0;
    NoListener m_listener;
    ClientCore m_core{m_listener};
    std::optional<LogonOutcome> m_outcome;
};

TEST_F(LogonSequenceTest, UpdateCheckEndsWithoutUpdateAndTheLogonCompletes) {
    StartServer();
    // orvserver refuses the file update query: the check goes on as if there were no update.
    ASSERT_TRUE(Start(LogonMode::UpdateCheck, Request("", "")));
    ASSERT_TRUE(WaitForOutcome(kWaitMs));
    EXPECT_EQ(m_outcome->kind, LogonOutcomeKind::NoUpdate);
    EXPECT_EQ(m_outcome->messageText, 0);
    ASSERT_TRUE(Start(LogonMode::Logon, Request("8001", "1111")));
    ASSERT_TRUE(WaitForOutcome(kWaitMs));
    EXPECT_EQ(m_outcome->kind, LogonOutcomeKind::LoggedOn);
    EXPECT_EQ(m_core.Status().state, SessionState::LoggedOn);
    EXPECT_NE(m_core.Status().endpointId, 0u);
}

TEST_F(LogonSequenceTest, ReconnectChecksForUpdatesThenLogsOn) {
    StartServer();
    ASSERT_TRUE(Start(LogonMode::Reconnect, Request("8002", "2222")));
    ASSERT_TRUE(WaitForOutcome(kWaitMs));
    EXPECT_EQ(m_outcome->kind, LogonOutcomeKind::LoggedOn);
    EXPECT_EQ(m_core.Status().number, "8002");
}

TEST_F(LogonSequenceTest, ARefusedLogonNamesItsReasonText) {
    StartServer();
    ASSERT_TRUE(Start(LogonMode::Logon, Request("8001", "wrong")));
    ASSERT_TRUE(WaitForOutcome(kWaitMs));
    EXPECT_EQ(m_outcome->kind, LogonOutcomeKind::Refused);
    EXPECT_EQ(m_outcome->reason, -3);
    EXPECT_EQ(m_core.Texts().Text(m_outcome->titleText), "Logon Failed");
    EXPECT_EQ(m_core.Texts().Text(m_outcome->messageText), "Invalid password");
    ASSERT_TRUE(Start(LogonMode::Logon, Request("7777", "1111")));
    ASSERT_TRUE(WaitForOutcome(kWaitMs));
    EXPECT_EQ(m_outcome->reason, -2);
    EXPECT_EQ(m_core.Texts().Text(m_outcome->messageText), "ORV number does not exist");
}

TEST_F(LogonSequenceTest, AnUnansweredUpdateQueryEndsInLogonTimeout) {
    // A datagram socket that takes everything and answers nothing.
    int silent = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(silent, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    socklen_t length = sizeof(address);
    ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length), 0);
    m_port = ntohs(address.sin_port);
    ASSERT_TRUE(Start(LogonMode::UpdateCheck, Request("", "")));
    ASSERT_TRUE(WaitForOutcome(kUpdateTimeoutWaitMs));
    close(silent);
    EXPECT_EQ(m_outcome->kind, LogonOutcomeKind::TimedOut);
    EXPECT_EQ(m_outcome->request, PKT_FILE_UPDATE_QUERY);
    EXPECT_EQ(m_core.Texts().Text(m_outcome->messageText), "Logon timeout");
}

TEST_F(LogonSequenceTest, CancelEndsTheRunningLogonAndUnusableRequestsDoNotStart) {
    m_port = 9; // nothing answers: the logon would wait
    ASSERT_TRUE(Start(LogonMode::Logon, Request("8001", "1111")));
    m_core.CancelLogon();
    ASSERT_TRUE(m_outcome.has_value());
    EXPECT_EQ(m_outcome->kind, LogonOutcomeKind::Cancelled);
    EXPECT_NE(m_core.Status().state, SessionState::LoggingOn);

    EXPECT_FALSE(Start(LogonMode::Logon, Request(std::string(32, '1'), "1111")));
    LogonRequest badDigest = Request("8001", "1111");
    badDigest.digest = std::string(40, 'A');
    EXPECT_FALSE(Start(LogonMode::Logon, badDigest));
    LogonRequest badHost = Request("8001", "1111");
    badHost.host = "no-such-host.invalid";
    EXPECT_FALSE(Start(LogonMode::UpdateCheck, badHost));
}

} // namespace
} // namespace orv
