// Screenshots of the main window in use, under Xvfb with a window manager and a tray
// (tests/ui/main_use_screenshots.sh): idle with the own number, dialling by keyboard and by
// the dial pad, an incoming call, talking with a volume change, off line, and the tray menu.
#include "client/skin/skin_slider.h"
#include "client/ui/dial_pad.h"
#include "client/userserver/user_serv_handler.h"
#include "tests/ui/ui_test_support.h"

#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace orv {
namespace {

// What the screen shows around the window (menus and the tray included when asked).
bool Save(MainDialog& w, const QString& file, QRect area = QRect()) {
    QTest::qWait(300); // let the window system map and paint
    if (area.isNull()) area = w.frameGeometry().adjusted(-8, -8, 8, 8);
    return w.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(file);
}

TEST(MainUseScreenshots, ADayWithTheMainWindow) {
    const QString folder = qEnvironmentVariable("ORV_UI_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "ORV_UI_SCREENSHOT_DIR not set";
    ASSERT_TRUE(QDir().mkpath(folder));
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    ASSERT_TRUE(f.Core().UserServ()->SetLoginInfo("8001", "digest"));
    bool onLine = true;
    MainServices services = f.Services();
    services.onLine = [&] { return onLine; };
    MainDialog& w = f.Window(services);
    w.move(60, 60);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.Refresh();
    EXPECT_TRUE(Save(w, folder + "/main-use-idle.png"));

    QTest::keyClicks(&w, "80025");
    EXPECT_TRUE(Save(w, folder + "/main-use-dialling.png"));
    for (int i = 0; i < 5; ++i) QTest::keyClick(&w, Qt::Key_Backspace);

    // Dialling with the mouse: the pad folds out over the tool and volume rows.
    QTest::mouseClick(w.Button("BUTTON_DIALPAD"), Qt::LeftButton);
    for (char c : std::string("8002")) QTest::mouseClick(w.Pad()->Key(c), Qt::LeftButton);
    QTest::mouseMove(w.Pad()->Key('5'));
    EXPECT_TRUE(Save(w, folder + "/main-use-dial-pad.png"));
    QTest::keyClick(&w, Qt::Key_Escape);
    for (int i = 0; i < 4; ++i) QTest::keyClick(&w, Qt::Key_Backspace);

    f.state = 3;
    f.Emit("call_progress", {{"type", "6"}, {"number", "8004"}, {"name", "Carol"}, {"tone", ""}}, "Incoming: 8004 Carol");
    // Caught in the dimmed half of the pulse, where it differs from the idle button.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Alert().Glow() < 0.5; }, 3000));
    EXPECT_TRUE(Save(w, folder + "/main-use-incoming.png"));

    f.state = 6;
    f.Emit("call_progress", {{"type", "7"}, {"number", "8004"}, {"name", "Carol"}, {"tone", "silence"}},
           "Talking: 8004 Carol");
    f.tick += 42000;
    SkinSlider* play = w.Slider("TRACKBAR_PLAY");
    QTest::mouseClick(play, Qt::LeftButton, {}, QPoint(play->width() * 3 / 4, play->height() / 2));
    EXPECT_TRUE(Save(w, folder + "/main-use-talking-volume.png"));

    f.state = 0;
    f.Emit("call_progress", {{"type", "4"}, {"number", "8004"}, {"name", "Carol"}}, "Hangup");
    f.tick += 10000;
    f.reconnectResult = kReconnectOk; // the server does not answer yet: still off line
    onLine = false;
    w.Refresh();
    EXPECT_TRUE(Save(w, folder + "/main-use-offline.png"));

    // The tray menu, opened where the panel's tray is (the bottom right).
    onLine = true;
    w.Refresh();
    const QRect screen = w.screen()->geometry();
    QMenu* menu = w.Tray().Menu();
    menu->popup(QPoint(screen.right() - 240, screen.bottom() - 140));
    QTest::qWait(400);
    EXPECT_TRUE(Save(w, folder + "/main-use-tray-menu.png", QRect(screen.right() - 520, screen.bottom() - 300, 520, 300)));
    menu->close();
}

} // namespace
} // namespace orv
