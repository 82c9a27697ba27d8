// The main window placing a real call through orvserver to orvcli.
#include "client/call/call_state.h"
#include "client/ui/call_services.h"
#include "client/core/call_control.h"
#include "client/ui/dial_pad.h"
#include "tests/ui/ui_live_support.h"

#include <QTest>
#include <gtest/gtest.h>

namespace orv {
namespace {

std::string Events(UiFixture& f) {
    std::string all;
    for (const CoreEvent& e : f.Relay().events) {
        all += e.name;
        for (const auto& [k, v] : e.fields) all += " " + k + "=" + v;
        all += " | " + e.text + "\n";
    }
    return all;
}

void Click(DialPad& pad, const std::string& keys) {
    for (char c : keys) QTest::mouseClick(pad.Key(c), Qt::LeftButton);
}

// A person dials 8002 with the mouse on the dial pad, which orvcli answers; the window shows
// the call's progress and the talk time; keys on the pad during the talk reach the server as
// tones and show for 2 s before the call state; after hang-up the talk time stays 5 s before
// the clock.
TEST(MainWindowLive, PadDialledCallShowsProgressSendsTonesAndTheTalkTime) {
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

    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_NE(w.Pad(), nullptr);
    EXPECT_FALSE(w.DialPadShown());
    QTest::mouseClick(w.Button("BUTTON_DIALPAD"), Qt::LeftButton);
    ASSERT_TRUE(w.DialPadShown());
    DialPad& pad = *w.Pad();
    EXPECT_TRUE(pad.isAncestorOf(w.childAt(w.Button("BUTTON_FRIEND")->geometry().center())))
        << "the pad lies over the tool row";
    Click(pad, "80029");
    QTest::mouseClick(pad.Key(DialPad::kBackspace), Qt::LeftButton);
    EXPECT_EQ(w.NumberField(), "8002");
    EXPECT_EQ(w.MessageAreaText(), "8002");
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.DialPadShown()) << "Escape folds the pad away";
    QTest::mouseClick(w.Button("BUTTON_DIALPAD"), Qt::LeftButton);
    ASSERT_TRUE(w.DialPadShown());
    QTest::mouseClick(w.Button("BUTTON_CALL"), Qt::LeftButton);
    EXPECT_EQ(w.LastNumber(), "8002") << "the call request was taken";
    ASSERT_TRUE(CliLine(cli, "EVENT call_progress type=6", kWaitMs)) << cli.Output() << Events(f);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Relay().Shown("Ringing: 8002"); }, kWaitMs));
    EXPECT_TRUE(f.Relay().Shown("Calling: 8002"));
    ASSERT_TRUE(cli.WriteLine("answer"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.MessageAreaText().startsWith("Talking: 8002"); }, kWaitMs))
        << w.MessageAreaText().toStdString();
    EXPECT_EQ(w.TimeAreaText(), "00:00:00");
    Click(pad, "5#");
    EXPECT_EQ(w.MessageAreaText(), "80025#") << "the keys show over the call";
    // The tones go out once a second: "5#" in one send or "5" then "#".
    std::string sent;
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.WaitForText("from=8001 digits=5", &sent, 20); }, kWaitMs))
        << server.Output();
    if (sent.find("digits=5#") == std::string::npos) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.WaitForText("from=8001 digits=#", nullptr, 20); }, kWaitMs))
            << server.Output();
    }
    f.tick += 2000;
    w.Refresh();
    EXPECT_TRUE(w.MessageAreaText().startsWith("Talking: 8002")) << w.MessageAreaText().toStdString();
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.DialPadShown());
    f.tick += 63000;
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return cli.WaitForText("call_end=1", 20); }, kWaitMs)) << cli.Output();
}

} // namespace
} // namespace orv
