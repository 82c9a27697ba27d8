// Screenshots of the video windows on a desktop (Xvfb with a window manager and a panel,
// tests/ui/video_screenshots.sh): the main window with the video window in a call, the
// video options and the video test, into the folder ORV_UI_SCREENSHOT_DIR names.
#include "tests/ui/ui_test_support.h"
#include "tests/ui/video_test_camera.h"

#include "client/media/video_frame_slot.h"
#include "client/ui/video/video_picture.h"
#include "client/ui/video/video_test_dialog.h"
#include "client/video/capture/test_pattern_camera.h"
#include "client/video/control/video_ctl_thread.h"
#include "client/video/devices/video_device_list.h"

#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace orv {
namespace {

bool SaveScreen(const QString& path) {
    QTest::qWait(600); // let the window manager place, decorate and paint
    return QGuiApplication::primaryScreen()->grabWindow(0).save(path);
}

// A peer's picture in slot 0, as the receive path leaves it: the test pattern at CIF size.
VideoFrameSlot* PeerPicture() {
    VideoFrameSlot* slot = GetVideoFrameSlot(0);
    const std::size_t bytes = Rgb24ImageSize(352, 288);
    std::uint8_t* buffer = slot->TakeBuffer(bytes);
    DrawTestPattern(4321, 352, 288, buffer);
    slot->Header() = Rgb24Header(352, 288);
    slot->Unlock();
    return slot;
}

TEST(VideoScreenshots, CallVideoOptionsAndVideoTest) {
    const QString folder = qEnvironmentVariable("ORV_UI_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "ORV_UI_SCREENSHOT_DIR not set";
    ASSERT_TRUE(QDir().mkpath(folder));
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    CVideoCtlThread control([] { return PatternCameraSettings(); });
    MainServices services = f.Services();
    services.video.attachDisplay = [&control](HWND display) { control.PostLocalWindow(display); };
    services.video.control = &control;
    services.video.config = f.Core().Config();
    MainDialog& w = f.Window(std::move(services));
    w.move(60, 80);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    control.StartFromConfiguration();
    w.Video().Show();
    f.Emit("logon_complete", {});
    f.state = 7;
    f.Emit("call_progress", {{"type", "7"}, {"number", "8002"}, {"state", "7"}}, "Talking: 8002");
    f.Emit("video_start", {{"frame_rate", "15"}, {"size_index", "3"}});
    VideoWindow& video = w.Video().Window();
    PostMessage(video.Display().FrameWindow(), WM_USER + 7, 0, reinterpret_cast<LPARAM>(PeerPicture()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return video.Display().HasLocalFrame(); }, 10000));
    w.Refresh();
    EXPECT_TRUE(SaveScreen(folder + "/video-call.png"));

    // The video options, from the window's options button.
    QTimer::singleShot(1500, [&] {
        EXPECT_TRUE(SaveScreen(folder + "/video-settings.png"));
        if (auto* dialog = video.findChild<QDialog*>("VideoOptions")) dialog->reject();
    });
    video.Command("VIDEOCONFIG");

    VideoTestDialog test(&video, f.Core().Texts(), &control, {kTestPatternCameraName, 15, 256, 2});
    test.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return test.FramesDecoded() >= 10; }, 15000));
    EXPECT_TRUE(SaveScreen(folder + "/video-test.png"));
    test.reject();
    control.PostLocalWindow(0);
    control.Quit();
}

} // namespace
} // namespace orv
