// Screenshots of the main window for look checks: idle, ringing and talking. Taken only
// when ORV_UI_SCREENSHOT_DIR names a folder; run under Xvfb with QT_QPA_PLATFORM=xcb
// (tests/app/take_screenshots.sh) the pictures are what the X server shows, else what Qt drew.
#include "tests/ui/ui_test_support.h"

#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace orv {
namespace {

// The window as the screen shows it, outside its shape transparent.
QImage ShotOf(MainDialog& w) {
    QTest::qWait(300); // let the window system map and paint it
    QImage drawn;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        const QRect g = w.geometry();
        drawn = w.screen()->grabWindow(0, g.x(), g.y(), g.width(), g.height()).toImage();
    } else {
        drawn = w.grab().toImage();
    }
    if (w.mask().isEmpty()) return drawn;
    QImage shot(drawn.size(), QImage::Format_ARGB32);
    shot.fill(Qt::transparent);
    QPainter painter(&shot);
    // At a scale factor above 1 the picture has more pixels than the window; the shape
    // is in window pixels.
    const qreal scale = qreal(drawn.width()) / w.width();
    painter.scale(scale, scale);
    painter.setClipRegion(w.mask());
    painter.drawImage(QRectF(0, 0, w.width(), w.height()), drawn);
    return shot;
}

TEST(Screenshots, MainWindowIdleRingingAndTalking) {
    const QString folder = qEnvironmentVariable("ORV_UI_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "ORV_UI_SCREENSHOT_DIR not set";
    ASSERT_TRUE(QDir().mkpath(folder));
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    MainDialog& w = f.Window();
    w.move(40, 40);
    w.show();
    w.Slider("TRACKBAR_PLAY")->SetValue(70);
    w.Slider("TRACKBAR_RECORD")->SetValue(45);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    f.Emit("logon_complete", {});
    w.Refresh();
    EXPECT_TRUE(ShotOf(w).save(folder + "/main-idle.png"));

    // The function menu, opened at the menu button as a click there would.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        QWidget* menuButton = w.Button("BUTTON_FUNC");
        QCursor::setPos(menuButton->mapToGlobal(menuButton->rect().center()));
        QTest::mouseClick(menuButton, Qt::LeftButton);
        QTest::qWait(400);
        const QRect area = w.geometry().united(QRect(w.geometry().topLeft(), QSize(560, 560)));
        EXPECT_TRUE(w.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                        .save(folder + "/main-menu.png"));
        if (QWidget* menu = w.findChild<QWidget*>("FunctionMenu")) menu->close();
    }

    QTest::keyClicks(&w, "8002");
    QTest::keyClick(&w, Qt::Key_Return);
    f.state = 4;
    f.Emit("call_progress", {{"type", "5"}, {"number", "8002"}, {"name", "Bob"}, {"tone", "IDR_WAVERING"}},
           "Ringing: 8002 Bob");
    EXPECT_TRUE(ShotOf(w).save(folder + "/main-ringing.png"));

    f.state = 6;
    f.Emit("call_progress", {{"type", "8"}, {"number", "8002"}, {"name", "Bob"}, {"tone", "silence"}},
           "Talking: 8002 Bob");
    f.tick += 65000;
    w.Refresh();
    EXPECT_TRUE(ShotOf(w).save(folder + "/main-talking.png"));
}

} // namespace
} // namespace orv
