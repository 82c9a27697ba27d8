// Windows on a small screen at twice the scale: Qt's offscreen platform is given a
// 1280 x 800 screen and a 2560 x 1600 one beside it, with QT_SCALE_FACTOR=2. The main
// window (300 x 520 at its own size, 600 x 1040 screen pixels) must fit the small screen
// whole and be usable there, and be drawn at its own size again on the large one.
// Under Xvfb (tests/ui/screen_fit_screenshot.sh) the same program takes the screenshot of
// the whole small screen instead.
#include "client/data/skin_paths.h"
#include "client/skin/framed_window.h"
#include "client/skin/skin_slider.h"
#include "client/ui/dial_pad.h"
#include "tests/ui/ui_test_support.h"
#include "client/ui/display_area.h"
#include "client/userserver/user_serv_handler.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace orv {
namespace {

bool Screenshots() { return !qEnvironmentVariableIsEmpty("ORV_UI_SCREENSHOT_DIR"); }

// Set before the application starts (the test environment starts it in RUN_ALL_TESTS).
const bool kTwoScreens = [] {
    if (Screenshots()) return false; // the script's display is used as it is
    const std::string file = "/tmp/orv-screens-" + std::to_string(getpid()) + ".json";
    QFile config(QString::fromStdString(file));
    if (!config.open(QIODevice::WriteOnly)) return false;
    config.write(R"({"screens": [
        {"name": "small", "x": 0, "y": 0, "width": 1280, "height": 800, "logicalDpi": 96, "dpr": 1},
        {"name": "large", "x": 1280, "y": 0, "width": 2560, "height": 1600, "logicalDpi": 96, "dpr": 1}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + file.c_str());
    qputenv("QT_SCALE_FACTOR", "2");
    std::atexit([] { std::remove(("/tmp/orv-screens-" + std::to_string(getpid()) + ".json").c_str()); });
    return true;
}();

// The colour the window shows at a point of its own (in window coordinates).
QColor ShownAt(MainDialog& w, QPoint at) {
    const QImage shot = w.grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    return shot.pixelColor(qRound(at.x() * ratio), qRound(at.y() * ratio));
}

QScreen* ScreenNamed(const char* name) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == QLatin1String(name)) return screen;
    }
    return nullptr;
}

bool Inside(const QWidget& w, const QWidget* control) {
    return control != nullptr && w.rect().contains(control->geometry()) && control->isVisible();
}

TEST(ScreenFit, MainWindowFitsASmallScreenWholeAndUsableAndFollowsItsScreen) {
    if (!kTwoScreens) GTEST_SKIP() << "taking screenshots";
    QScreen* small = ScreenNamed("small");
    QScreen* large = ScreenNamed("large");
    ASSERT_TRUE(small != nullptr && large != nullptr);
    ASSERT_EQ(small->devicePixelRatio(), 2.0);
    const QRect free = small->availableGeometry();
    ASSERT_EQ(free.size(), QSize(640, 400)); // 1280 x 800 pixels at 200 %

    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    MainDialog& w = f.Window();
    ASSERT_TRUE(w.IsSkinned());
    // A place off every screen (as a position kept from another desk's screens would be).
    w.move(-4000, 3000);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    // Whole on the small screen, as tall as it allows, in the skin's proportions.
    EXPECT_TRUE(free.contains(w.frameGeometry())) << w.frameGeometry().x() << "," << w.frameGeometry().y();
    EXPECT_EQ(w.screen(), small);
    const double scale = w.SkinScale();
    EXPECT_NEAR(scale, 400.0 / 520.0, 0.01);
    EXPECT_EQ(w.size(), QSize(int(300 * scale), 400));
    EXPECT_TRUE(w.mask().boundingRect().height() <= w.height() && w.mask().boundingRect().height() > w.height() - 4);

    // Every control, the footer and the display areas inside the window, where the skin puts them.
    for (const char* name : {"BUTTON_CLOSE", "BUTTON_CALL", "BUTTON_ENDCALL", "BUTTON_HELP", "TRACKBAR_PLAY",
                             "TRACKBAR_RECORD", "MESSAGE_AREA", "TIME_AREA"}) {
        EXPECT_TRUE(Inside(w, w.findChild<QWidget*>(name))) << name;
    }
    EXPECT_EQ(w.Slider("TRACKBAR_RECORD")->geometry(), QRect(qRound(58 * scale), qRound(410 * scale),
                                                             qRound(278 * scale) - qRound(58 * scale),
                                                             qRound(434 * scale) - qRound(410 * scale)));
    auto* footer = w.findChild<QWidget*>("STATUS_STRIP");
    ASSERT_NE(footer, nullptr);
    EXPECT_TRUE(Inside(w, footer));
    EXPECT_GT(footer->geometry().top(), w.Slider("TRACKBAR_RECORD")->geometry().bottom());
    // Text is set smaller, not shrunk as a picture: the clock's font follows the scale.
    EXPECT_EQ(w.findChild<DisplayArea*>("TIME_AREA")->font().pixelSize(), qRound(30 * scale));

    // The faces were cut where the controls now are: green under the call button, red
    // under the hang-up button.
    const QColor call = ShownAt(w, w.Button("BUTTON_CALL")->geometry().center());
    const QColor hangUp = ShownAt(w, w.Button("BUTTON_ENDCALL")->geometry().center() + QPoint(0, 8));
    EXPECT_GT(call.green(), call.red() + 60) << call.name().toStdString();
    EXPECT_GT(hangUp.red(), hangUp.green() + 60) << hangUp.name().toStdString();

    // A click near the bottom reaches the recording slider through the window, as the
    // mouse would: three quarters along its track.
    SkinSlider* record = w.Slider("TRACKBAR_RECORD");
    record->SetValue(0);
    const QPoint at = record->mapTo(&w, QPoint(record->width() * 3 / 4, record->height() / 2));
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_NEAR(record->Value(), 77, 6);
    EXPECT_TRUE(w.MessageAreaText().startsWith("Record Volume")) << w.MessageAreaText().toStdString();

    // The dial pad folds out at the same scale; its bottom row takes clicks too.
    ASSERT_NE(w.Pad(), nullptr);
    w.ShowDialPad(true);
    EXPECT_TRUE(Inside(w, w.Pad()));
    QWidget* zero = w.Pad()->Key('0');
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, zero->mapTo(&w, zero->rect().center()));
    EXPECT_EQ(w.NumberField(), "0");
    w.ShowDialPad(false);

    // Taken to the large screen it is drawn at its own size again, controls in place.
    w.move(large->availableGeometry().topLeft() + QPoint(40, 40));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.SkinScale() == 1.0; }, 3000));
    EXPECT_EQ(w.size(), QSize(300, 520));
    EXPECT_EQ(record->geometry(), QRect(58, 410, 220, 24));
    EXPECT_EQ(w.findChild<DisplayArea*>("TIME_AREA")->font().pixelSize(), 30);
    EXPECT_TRUE(large->availableGeometry().contains(w.frameGeometry()));

    // And back: fitted again, and a click on the help button's place reaches it.
    w.move(20, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.SkinScale() < 1.0; }, 3000));
    EXPECT_TRUE(free.contains(w.frameGeometry()));
    EXPECT_EQ(w.childAt(w.Button("BUTTON_HELP")->geometry().center()), w.Button("BUTTON_HELP"));
}

// A framed window (here with the video window's frame) larger than the small screen and
// placed off it gives way to the screen when it shows.
TEST(ScreenFit, FramedWindowShowsWithinTheScreen) {
    if (!kTwoScreens) GTEST_SKIP() << "taking screenshots";
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    QWidget window;
    ASSERT_NE(ApplyFrameSkin(window, SkinFilePath(f.Home(), SkinWindow::Video)), nullptr);
    window.setMinimumSize(200, 150);
    window.resize(900, 700);
    window.move(300, 100); // mostly on the small screen, reaching off it
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect free = ScreenNamed("small")->availableGeometry();
    EXPECT_TRUE(free.contains(window.frameGeometry()));
    EXPECT_EQ(window.size(), free.size());
}

TEST(ScreenFitScreenshot, WholeSmallScreenAtDoubleScale) {
    if (!Screenshots()) GTEST_SKIP() << "ORV_UI_SCREENSHOT_DIR not set";
    const QString folder = qEnvironmentVariable("ORV_UI_SCREENSHOT_DIR");
    ASSERT_TRUE(QDir().mkpath(folder));
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    ASSERT_TRUE(f.Core().UserServ()->SetLoginInfo("8001", "digest"));
    MainServices services = f.Services();
    services.onLine = [] { return true; };
    MainDialog& w = f.Window(services);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    f.state = 6;
    f.Emit("call_progress", {{"type", "7"}, {"number", "8004"}, {"name", "Carol"}, {"tone", "silence"}},
           "Talking: 8004 Carol");
    f.tick += 42000;
    SkinSlider* record = w.Slider("TRACKBAR_RECORD");
    QTest::mouseClick(record, Qt::LeftButton, {}, QPoint(record->width() * 2 / 3, record->height() / 2));
    w.Refresh();
    QTest::qWait(400); // let the window manager place it and the screen paint
    EXPECT_TRUE(w.screen()->grabWindow(0).save(folder + "/main-200-1280x800.png"));
}

} // namespace
} // namespace orv
