// AcctServHandler against a real orvserver: requests queued before the link is up go out in
// their order once it connects, the link closes after the idle period and the next request
// opens it again; and the texts the dialog makes of the answers.
#include "client/account/acct_serv_handler.h"
#include "client/account/account_texts.h"
#include "client/text/text_table.h"
#include "tests/e2e/service_processes.h"
#include "tests/handlers/client_shell_fixture.h"
#include "tests/server/test_folder.h"
#include "wire/password_digest.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr std::uint32_t kIdleMs = 300;

class AcctServHandlerTest : public test::ClientShellTest {
protected:
    void SetUp() override {
        std::string userAddress;
        ASSERT_TRUE(StartServerProcess(m_server, m_serverHome.Path(), {}, test::kShellWaitMs, &userAddress)) << m_server.Output();
        std::string line;
        ASSERT_TRUE(m_server.WaitForLine("LISTEN account tcp ", test::kShellWaitMs, &line)) << m_server.Output();
        m_accountPort = PortOf(line);
        ASSERT_TRUE(m_server.WriteLine("setbalance 8001 12345"));
        ASSERT_TRUE(m_server.WriteLine("addcard 77 pw 5"));
        ASSERT_TRUE(m_server.WaitForLine("ADMIN ok addcard", test::kShellWaitMs)) << m_server.Output();
        OpenShell(42, "account test");
    }
    void TearDown() override { ReleaseAndCloseShell(m_handler); }

    // The account events collected so far, as "code:result:value".
    std::vector<std::string> Events() {
        std::vector<std::string> out;
        for (const MSG& m : m_messages) {
            if (m.message != WM_ACCOUNT_EVENT) continue;
            std::string e = std::to_string(m.wParam);
            if (m.wParam == kAccountQueryAnswer || m.wParam == kAccountFillAnswer) {
                auto* a = reinterpret_cast<AccountAnswer*>(m.lParam);
                e += ":" + std::to_string(a->result) + ":" + std::to_string(static_cast<std::int32_t>(a->value));
            }
            out.push_back(e);
        }
        return out;
    }
    void FreeAnswers() {
        for (const MSG& m : m_messages) {
            if (m.message == WM_ACCOUNT_EVENT && (m.wParam == kAccountQueryAnswer || m.wParam == kAccountFillAnswer))
                delete reinterpret_cast<AccountAnswer*>(m.lParam);
        }
        m_messages.clear();
    }

    TestFolder m_serverHome;
    ChildProcess m_server;
    std::uint16_t m_accountPort = 0;
    AcctServHandler* m_handler = nullptr;
};

TEST_F(AcctServHandlerTest, QueuedRequestsGoInOrderAndTheIdleLinkClosesAndOpensAgain) {
    m_handler = new AcctServHandler(htonl(0x7F000001), m_accountPort, m_window->GetSafeHwnd(), kIdleMs);
    m_handler->SetLogin("8001", PasswordDigest("8001", "1111"));
    // Three requests before any link exists: a query, a refill, a query.
    ASSERT_TRUE(m_handler->DoAccountQuery());
    ASSERT_TRUE(m_handler->DoAccountFill("77", "pw"));
    ASSERT_TRUE(m_handler->DoAccountQuery());
    ASSERT_TRUE(Pump([this] { return Events().size() >= 3; })) << testing::PrintToString(Events());
    EXPECT_EQ(Events(), (std::vector<std::string>{"5:0:12345", "6:0:12350", "5:0:12350"}));
    EXPECT_TRUE(m_handler->IsConnected());
    FreeAnswers();

    // No request for the idle period: the link closes (event 4) ...
    ASSERT_TRUE(Pump([this] { return !Events().empty(); })) << "the idle link stayed open";
    EXPECT_EQ(Events(), std::vector<std::string>{"4"});
    EXPECT_FALSE(m_handler->IsLinkAllocated());
    FreeAnswers();
    // ... and the next request opens it again. A used card is refused with -2.
    ASSERT_TRUE(m_handler->DoAccountFill("77", "pw"));
    ASSERT_TRUE(Pump([this] { return !Events().empty(); }));
    EXPECT_EQ(Events(), std::vector<std::string>{"6:255:-2"});
    FreeAnswers();

    // A wrong logon password: -3. Not logged on: nothing is queued.
    m_handler->SetLogin("8001", PasswordDigest("8001", "nope"));
    ASSERT_TRUE(m_handler->DoAccountQuery());
    ASSERT_TRUE(Pump([this] { return !Events().empty(); }));
    EXPECT_EQ(Events(), std::vector<std::string>{"5:255:-3"});
    FreeAnswers();
    EndpointID.store(0);
    EXPECT_FALSE(m_handler->DoAccountQuery());
}

TEST_F(AcctServHandlerTest, AServerThatIsNotThereIsReportedOnce) {
    m_handler = new AcctServHandler(htonl(0x7F000001), 1, m_window->GetSafeHwnd(), kIdleMs);
    m_handler->SetLogin("8001", PasswordDigest("8001", "1111"));
    ASSERT_TRUE(m_handler->DoAccountQuery());
    ASSERT_TRUE(m_handler->DoAccountQuery());
    ASSERT_TRUE(Pump([this] { return !Events().empty(); }));
    Pump([] { return false; }, 100);
    EXPECT_EQ(Events(), std::vector<std::string>{"2"}); // the queue went with the link
    EXPECT_FALSE(m_handler->IsLinkAllocated());
}

TEST(AccountTexts, BalanceCardCheckAndReasons) {
    EXPECT_EQ(FormatBalance(12345), "123.45 RMB");
    EXPECT_EQ(FormatBalance(5), "0.05 RMB");
    EXPECT_EQ(FormatBalance(-250), "-2.50 RMB");
    EXPECT_EQ(CheckRefillInput("12*34", "x"), 0);
    EXPECT_EQ(CheckRefillInput("12-34", "x"), 144);
    EXPECT_EQ(CheckRefillInput("", "x"), 144);
    EXPECT_EQ(CheckRefillInput("1234", ""), 145);
    TextTable texts;
    texts.Fill();
    texts.SetLanguage(kLanguageEnglish);
    EXPECT_EQ(AccountReasonText(-2, texts), "Refill card number does not exist");
    EXPECT_EQ(AccountReasonText(-8, texts), "ORV number locked (more than 30 times error password tried)");
    EXPECT_EQ(AccountReasonText(-10, texts), " is offline");
    EXPECT_EQ(AccountReasonText(-16, texts), "Service not subscribed");
    EXPECT_EQ(AccountReasonText(-4, texts), "");
}

} // namespace
} // namespace orv
