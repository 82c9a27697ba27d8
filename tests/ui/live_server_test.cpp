// The main window against a real orvserver: the window's core logs on, and the same
// number logging on from orvcli elsewhere forces it off.
#include "client/call/call_state.h"
#include "client/ui/call_services.h"
#include "client/userserver/call_control.h"
#include "tests/e2e/child_process.h"
#include "tests/server/test_folder.h"
#include "tests/ui/ui_test_support.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr int kWaitMs = 20000;

class LiveServer {
public:
    bool Start() {
        if (!server_.Start(ProgramPath("orvserver"), {"--home", home_.Path(), "--user-port", "0", "--quit-on-eof"},
                           home_.File("server.err"))) {
            return false;
        }
        std::string line;
        if (!server_.WaitForLine("LISTEN user udp ", kWaitMs, &line)) return false;
        address_ = line.substr(std::string("LISTEN user udp ").size());
        const std::size_t colon = address_.rfind(':');
        if (colon == std::string::npos) return false;
        host_ = address_.substr(0, colon);
        port_ = static_cast<std::uint16_t>(std::stoi(address_.substr(colon + 1)));
        return true;
    }
    const std::string& Address() const { return address_; }
    const std::string& Host() const { return host_; }
    std::uint16_t Port() const { return port_; }
    std::string Output() const { return server_.Output(); }

private:
    TestFolder home_;
    ChildProcess server_;
    std::string address_, host_;
    std::uint16_t port_ = 0;
};

TEST(MainWindowLive, LogonElsewhereForcesTheWindowOffWithTheLogoffText) {
    LiveServer server;
    ASSERT_TRUE(server.Start()) << server.Output();
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    ASSERT_TRUE(f.Core().Logon(server.Host(), server.Port(), "8001", "1111"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Relay().Seen("logon_complete"); }, kWaitMs));

    MainDialog& w = f.Window();
    TestFolder cliHome;
    ChildProcess cli;
    QString shown;
    AnswerNextMessageBox(true, &shown, 3 * kWaitMs);
    QTimer::singleShot(0, &w, [&] {
        ASSERT_TRUE(cli.Start(ProgramPath("orvcli"),
                              {"--home", cliHome.Path(), "--server", server.Address(), "--number", "8001",
                               "--password", "1111"},
                              cliHome.File("cli.err")));
        cli.WriteLine("logon");
    });
    // Should the logoff never come, close the window so the test ends and fails.
    QTimer::singleShot(3 * kWaitMs, &w, [&] {
        if (w.Closing()) return;
        AnswerNextMessageBox(true, nullptr);
        QTest::mouseClick(w.Button("BUTTON_CLOSE"), Qt::LeftButton);
    });
    EXPECT_EQ(w.Exec(), MainDialog::ExitReason::ForcedLogoff) << cli.Output();
    EXPECT_EQ(shown, "8001 logon at other place, you are forced to logoff");
    EXPECT_TRUE(cli.WaitForLine("EVENT logon_complete", kWaitMs)) << cli.Output();
}

// A person at the window calls 8002, which orvcli answers; the window shows the call's
// progress and the talk time, and after hang-up keeps the talk time 5 s before the clock.
TEST(MainWindowLive, CallShowsCallingRingingTalkingAndTheTalkTime) {
    LiveServer server;
    ASSERT_TRUE(server.Start()) << server.Output();
    TestFolder cliHome;
    ChildProcess cli;
    ASSERT_TRUE(cli.Start(ProgramPath("orvcli"),
                          {"--home", cliHome.Path(), "--server", server.Address(), "--number", "8002", "--password",
                           "2222"},
                          cliHome.File("cli.err")));
    ASSERT_TRUE(cli.WriteLine("logon"));
    ASSERT_TRUE(cli.WaitForLine("EVENT logon_complete", kWaitMs)) << cli.Output();

    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    ASSERT_NE(f.Core().Calls(), nullptr);
    ASSERT_TRUE(f.Core().Logon(server.Host(), server.Port(), "8001", "1111"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Relay().Seen("logon_complete"); }, kWaitMs));
    MainServices services = f.Services(); // our clock, so the 5 s are measured exactly
    UseCallControl(*f.Core().Calls(), &services);
    MainDialog& w = f.Window(services);
    w.show();

    QTest::keyClicks(&w, "8002");
    QTest::keyClick(&w, Qt::Key_Return);
    ASSERT_TRUE(cli.WaitForLine("EVENT call_progress type=6", kWaitMs)) << cli.Output();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Relay().Shown("Ringing: 8002"); }, kWaitMs));
    EXPECT_TRUE(f.Relay().Shown("Calling: 8002"));
    ASSERT_TRUE(cli.WriteLine("answer"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.MessageAreaText().startsWith("Talking: 8002"); }, kWaitMs))
        << w.MessageAreaText().toStdString();
    EXPECT_EQ(w.TimeAreaText(), "00:00:00");
    f.tick += 65000;
    w.Refresh();
    EXPECT_EQ(w.TimeAreaText(), "00:01:05");

    QTest::mouseClick(w.Button("BUTTON_ENDCALL"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return GetCallState() == 0 && w.MessageAreaText().startsWith("Hangup"); },
                                kWaitMs))
        << w.MessageAreaText().toStdString();
    EXPECT_EQ(w.TimeAreaText(), "00:01:05");
    f.tick += 4999;
    w.Refresh();
    EXPECT_EQ(w.TimeAreaText(), "00:01:05") << "the talk time stays 5 s";
    f.tick += 1;
    w.Refresh();
    EXPECT_NE(w.TimeAreaText(), "00:01:05") << "then the clock returns";
    EXPECT_TRUE(cli.WaitForText("call_end=1", kWaitMs)) << cli.Output();
}

} // namespace
} // namespace orv
