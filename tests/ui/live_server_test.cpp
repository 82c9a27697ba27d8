// The main window against a real orvserver: the window's core logs on; the same number
// logging on from orvcli elsewhere forces it off; the server's support entries fill the menu.
#include "client/ui/function_menu.h"
#include "client/userserver/user_serv_handler.h"
#include "tests/ui/ui_live_support.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(MainWindowLive, LogonElsewhereForcesTheWindowOffWithTheLogoffText) {
    LiveServer server;
    UiFixture f;
    ASSERT_TRUE(StartAndLogOn(server, f));

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
    EXPECT_EQ(shown, "8001 logged on at another place: you have been logged off");
    EXPECT_TRUE(cli.WaitForLine("EVENT logon_complete", kWaitMs)) << cli.Output();
}

// The support entries the server gives at logon become the function menu's "Support"
// items, in the current language; choosing one calls its number.
TEST(MainWindowLive, SupportEntryFromTheServerIsAMenuItemThatCalls) {
    LiveServer server;
    UiFixture f;
    ASSERT_TRUE(StartAndLogOn(server, f));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.Core().UserServ()->GetSupportInfo().empty(); }, kWaitMs));
    MainDialog& w = f.Window();
    w.show();
    QTest::mouseClick(w.Button("BUTTON_FUNC"), Qt::LeftButton);
    auto* menu = w.findChild<QMenu*>("FunctionMenu");
    ASSERT_NE(menu, nullptr);
    QAction* support = nullptr;
    for (QMenu* m : menu->findChildren<QMenu*>()) {
        for (QAction* a : m->actions()) {
            if (a->data().toInt() == kCmdFirstSupport) support = a;
        }
    }
    ASSERT_NE(support, nullptr);
    EXPECT_EQ(support->text(), "Service desk");
    EXPECT_TRUE(support->isEnabled());
    support->trigger();
    EXPECT_EQ(f.calls, (std::vector<std::string>{"8003"}));
}

} // namespace
} // namespace orv
