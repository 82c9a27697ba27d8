// The main window as a person uses it, offscreen with the default skin and a real core:
// what the message area and the footer show across a day of calls, and what happens when
// the server stops answering.
#include "client/skin/skin_button.h"
#include "client/skin/skin_slider.h"
#include "client/ui/display_area.h"
#include "tests/ui/ui_test_support.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace orv {
namespace {

class MainWindowInUse : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(f.Ready()) << f.Error(); }
    void Progress(int type, const std::string& text, const std::string& number = "8002",
                  const std::string& reason = "0") {
        f.Emit("call_progress", {{"type", std::to_string(type)}, {"number", number}, {"name", ""}, {"reason", reason}},
               text);
    }
    void After(std::uint32_t ms, MainDialog& w) {
        f.tick += ms;
        w.Refresh();
    }
    UiFixture f;
};

// A refused call leaves no digits behind; digits typed while talking show for a moment and
// the call's line comes back, as it does after a volume change; outcomes clear after 5 s;
// a call that rang here and was given up by the caller is a missed call.
TEST_F(MainWindowInUse, MessageAreaFollowsTheCallNotTheKeys) {
    MainDialog& w = f.Window();
    w.show();
    auto* field = w.findChild<DisplayArea*>("MESSAGE_AREA");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->EntryShown(), DisplayArea::Entry::Hint) << "idle and empty: the hint";
    EXPECT_EQ(field->Hint(), "Type a number");
    QTest::keyClicks(&w, "1234");
    EXPECT_EQ(w.MessageAreaText(), "1234");
    EXPECT_EQ(field->EntryShown(), DisplayArea::Entry::Number) << "the cursor follows the digits";
    QTest::keyClick(&w, Qt::Key_Return);
    Progress(1, "Calling: 1234", "1234");
    EXPECT_EQ(field->EntryShown(), DisplayArea::Entry::None) << "no field while calling";
    Progress(2, "ORV number does not exist", "1234", "-2");
    EXPECT_EQ(w.MessageAreaText(), "ORV number does not exist");
    QTest::keyClicks(&w, "8003");
    EXPECT_EQ(w.MessageAreaText(), "8003") << "the typed digits show";
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"1234", "8003"})) << "not 12348003";

    f.state = 2;
    Progress(1, "Calling: 8003", "8003");
    QTest::keyClick(&w, Qt::Key_5);
    EXPECT_EQ(w.MessageAreaText(), "Calling: 8003") << "a key while calling only plays";
    f.state = 6;
    Progress(8, "Talking: 8003", "8003");
    QTest::keyClicks(&w, "123#");
    EXPECT_EQ(f.dtmf, (std::vector<std::string>{"1", "2", "3", "#"}));
    EXPECT_EQ(w.MessageAreaText(), "8003123#");
    After(2000, w);
    EXPECT_EQ(w.MessageAreaText(), "Talking: 8003") << "the call state comes back";
    SkinSlider* play = w.Slider("TRACKBAR_PLAY");
    QTest::mouseClick(play, Qt::LeftButton, {}, QPoint(play->width() / 2, play->height() / 2));
    EXPECT_TRUE(w.MessageAreaText().startsWith("Playback Volume"));
    After(2000, w);
    EXPECT_EQ(w.MessageAreaText(), "Talking: 8003") << "a volume text falls back to the call";

    f.state = 0;
    Progress(3, "Hangup: 8003", "8003");
    EXPECT_EQ(w.MessageAreaText(), "Hangup: 8003");
    After(4999, w);
    EXPECT_EQ(w.MessageAreaText(), "Hangup: 8003");
    After(1, w);
    EXPECT_NE(w.MessageAreaText(), "Hangup: 8003") << "the outcome clears";

    f.state = 3;
    Progress(6, "Incoming: 8004", "8004");
    f.state = 0;
    Progress(3, "Hangup: 8004", "8004");
    EXPECT_EQ(w.MessageAreaText(), "Missed call from 8004");
    f.state = 3;
    Progress(6, "Incoming: 8004", "8004");
    f.state = 0;
    Progress(4, "Hangup", "8004");
    EXPECT_EQ(w.MessageAreaText(), "Hangup") << "declined here: not missed";
}

// The footer tells on line from off line at once, and the reconnect starts then; off line
// a call is refused at once and the digits stay for the next try.
TEST_F(MainWindowInUse, OffLineIsShownAndRefusesCalls) {
    bool onLine = true;
    MainServices services = f.Services();
    services.onLine = [&] { return onLine; };
    MainDialog& w = f.Window(services);
    w.show();
    EXPECT_TRUE(w.StatusText().endsWith("On line")) << w.StatusText().toStdString();
    f.reconnectResult = kReconnectOk;
    onLine = false;
    w.Refresh();
    EXPECT_TRUE(w.StatusText().endsWith("Off line"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.reconnects == 1; }, 2000)) << "going off line starts the reconnect";
    QTest::keyClicks(&w, "8002");
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_TRUE(f.calls.empty());
    EXPECT_EQ(w.MessageAreaText(), "Not connected to the server: the call was not placed");
    EXPECT_EQ(w.NumberField(), "8002");
    onLine = true;
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"8002"}));
}

// A ringing call pulses the answer button until it is answered; a call given up by the
// caller or one that rang out is a missed call, and an ending without a word of its own
// still takes "Incoming: ..." away.
TEST_F(MainWindowInUse, IncomingCallAlertAndItsEnds) {
    MainDialog& w = f.Window();
    w.show();
    QWidget* answer = w.Button("BUTTON_CALL");
    f.state = 3;
    Progress(6, "Incoming: 8004", "8004");
    EXPECT_TRUE(w.Alert().Ringing());
    ASSERT_NE(answer->graphicsEffect(), nullptr);
    const double first = w.Alert().Glow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Alert().Glow() != first; }, 5000)) << "the button pulses";
    QTest::mouseClick(answer, Qt::LeftButton);
    EXPECT_FALSE(w.Alert().Ringing());
    EXPECT_EQ(answer->graphicsEffect(), nullptr);
    EXPECT_EQ(f.calls, (std::vector<std::string>{""})) << "answered";

    f.calls.clear();
    Progress(6, "Incoming: 8005", "8005");
    f.state = 0;
    Progress(10, "Ring timeout", "8005");
    EXPECT_EQ(w.MessageAreaText(), "Missed call from 8005");
    EXPECT_FALSE(w.Alert().Ringing());
    After(5000, w);
    EXPECT_NE(w.MessageAreaText(), "Missed call from 8005");

    f.state = 3;
    Progress(6, "Incoming: 8006", "8006");
    f.state = 0;
    Progress(4, "", "8006");
    EXPECT_FALSE(w.MessageAreaText().startsWith("Incoming")) << w.MessageAreaText().toStdString();
    EXPECT_FALSE(w.Alert().Ringing());
    EXPECT_TRUE(f.calls.empty());
}

// The tray menu shows and hides the window, reads the state and exits with the question;
// a long number keeps its end in view; a paste takes only the dial characters; Help without
// a manual looks disabled.
TEST_F(MainWindowInUse, TrayMenuPasteAndLongNumbers) {
    bool onLine = false;
    MainServices services = f.Services();
    services.onLine = [&] { return onLine; };
    MainDialog& w = f.Window(services);
    w.show();
    EXPECT_FALSE(w.Button("BUTTON_HELP")->isEnabled());

    const QList<QAction*> menu = w.Tray().Menu()->actions();
    ASSERT_EQ(menu.size(), 4); // show/hide, state, separator, exit
    EXPECT_EQ(menu[0]->text(), "Hide");
    EXPECT_EQ(menu[1]->text(), "Off line");
    EXPECT_FALSE(menu[1]->isEnabled());
    EXPECT_TRUE(w.Tray().ToolTip().endsWith("Off line"));
    onLine = true;
    w.Refresh();
    EXPECT_EQ(menu[1]->text(), "On line");
    EXPECT_EQ(w.Tray().ToolTip(), w.windowTitle() + "\nOn line");
    menu[0]->trigger(); // no tray here: the window is minimised rather than lost
    EXPECT_TRUE(w.isMinimized());
    EXPECT_EQ(menu[0]->text(), "Show");
    menu[0]->trigger();
    EXPECT_FALSE(w.isMinimized());
    EXPECT_EQ(menu[0]->text(), "Hide");

    QGuiApplication::clipboard()->setText(QStringLiteral("+1 (800) 555-0199 ext. 7#\u00e9x"));
    QTest::keyClick(&w, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.NumberField(), "180055501997#");
    QTest::keyClick(&w, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(w.NumberField(), "180055501997#180055501997#");
    QGuiApplication::clipboard()->setText(QString(100000, QLatin1Char('9')));
    QTest::keyClick(&w, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.NumberField().size(), 31u) << "no longer than a number";
    auto* area = w.findChild<DisplayArea*>("MESSAGE_AREA");
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->Text().toStdString(), w.NumberField());
    EXPECT_TRUE(area->ShownText().startsWith(QChar(0x2026))) << area->ShownText().toStdString();
    EXPECT_TRUE(area->ShownText().endsWith("#99999")) << "the end stays in view";
    EXPECT_LE(area->fontMetrics().horizontalAdvance(area->ShownText()), area->width());

    QString asked;
    AnswerNextMessageBox(true, &asked);
    menu[3]->trigger();
    EXPECT_EQ(asked, "Do you really want to quit ORV?");
    EXPECT_EQ(w.Exit(), MainDialog::ExitReason::UserQuit);
}

} // namespace
} // namespace orv
