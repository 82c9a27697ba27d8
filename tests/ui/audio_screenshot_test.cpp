// Screenshots for look checks: the settings window's Audio page, the audio test with both
// waveforms moving (the alert chime looped through a file device), and the video window
// docked beside the main window after the main window was dragged. Taken only when
// ORV_UI_SCREENSHOT_DIR names a folder; tests/ui/audio_screenshots.sh runs it under Xvfb.
#include "client/app/qt_message_pump.h"
#include "client/audio/devices/audio_device_list.h"
#include "client/audio/tones/tone_resources.h"
#include "client/audio/tones/wave.h"
#include "client/media/process_media.h"
#include "client/ui/audio/audio_test_dialog.h"
#include "client/ui/audio/waveform_view.h"
#include "client/ui/video/video_window.h"
#include "client/ui/windows/settings_window.h"
#include "tests/ui/ui_test_support.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

namespace orv {
namespace {

QImage Grab(const QRect& area) {
    QTest::qWait(400); // mapped and painted
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

// A drag of the window a manager owns, as the hand moves (the manager may move the cursor).
void Drag(CDockManager& dock, QPoint from, QPoint to) {
    QCursor::setPos(from);
    dock.OnTitleButtonDown(from);
    for (int step = 1; step <= 10; ++step) {
        QCursor::setPos(QCursor::pos() + (to - from) / 10);
        dock.OnMouseMove(QCursor::pos());
        QTest::qWait(20);
    }
    dock.OnButtonUp(QCursor::pos());
    QtMessagePump::Drain();
    QTest::qWait(100);
}

TEST(AudioScreenshots, AudioPageAudioTestAndDockedVideoWindow) {
    const QString folder = qEnvironmentVariable("ORV_UI_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "ORV_UI_SCREENSHOT_DIR not set";
    ASSERT_TRUE(QDir().mkpath(folder));
    QTemporaryDir files;
    const std::string chime = files.filePath("chime.wav").toStdString();
    {
        CWave alert;
        ASSERT_EQ(alert.LoadResource(kWaveAlert), 1);
        std::ofstream out(chime, std::ios::binary);
        alert.Write(out);
    }
    const std::string device = "wav:in=" + chime + ",loop=1";
    SetOnlySoundDevice(device);
    {
        UiFixture f;
        ASSERT_TRUE(f.Ready()) << f.Error();
        MainDialog& w = f.Window();
        w.move(40, 40);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

        SettingsContext context{f.Core().Texts(), *f.Core().Config()};
        SettingsWindow settings(&w, f.Core().Texts(), SettingsPages(context), {}, {});
        settings.Tabs()->setCurrentIndex(1);
        settings.move(380, 40);
        settings.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
        EXPECT_TRUE(Grab(settings.frameGeometry()).save(folder + "/audio-settings.png"));

        AudioTestDialog test(&settings, f.Core().Texts(), device, device, {});
        test.move(420, 120);
        test.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&test));
        EXPECT_TRUE(QTest::qWaitFor([&] { return test.RecordView()->BlocksDrawn() > 30 && test.PlaybackView()->BlocksDrawn() > 30; },
                        10000));
        EXPECT_TRUE(Grab(test.frameGeometry()).save(folder + "/audio-test.png"));
        test.reject();
        settings.hide();

        // The video window dragged to 8 px off the main window's right edge snaps and docks;
        // dragging the main window then carries it along.
        VideoWindow& video = w.Video().Window();
        CDockManager& videoDock = video.Dock();
        video.show();
        video.move(w.frameGeometry().right() + 120, 60);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&video));
        QTest::qWait(300);
        const QPoint grip = video.frameGeometry().topLeft() + QPoint(60, 10);
        Drag(videoDock, grip, grip - QPoint(120 - 8, -20));
        EXPECT_TRUE(w.Dock().IsDocked(&video));
        Drag(w.Dock(), w.frameGeometry().topLeft() + QPoint(100, 12), w.frameGeometry().topLeft() + QPoint(160, 52));
        const QRect both = w.frameGeometry().united(video.frameGeometry()).adjusted(-20, -20, 20, 20);
        EXPECT_TRUE(Grab(both).save(folder + "/main-docked.png"));
    }
    ProcessMedia::Get().Shutdown();
    SetOnlySoundDevice("");
}

} // namespace
} // namespace orv
