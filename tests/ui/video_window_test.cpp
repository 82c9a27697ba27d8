// The video window and its dialogs: zoom and layout commands, the main window's video
// button, call video and pauses, and a real camera thread feeding the display, the snapshot
// and the ORV2 loopback of the video test dialog; the video settings page on a real
// configuration file.
#include "tests/ui/ui_test_support.h"
#include "tests/ui/video_test_camera.h"

#include "client/data/client_config.h"
#include "client/data/skin_paths.h"
#include "client/text/text_table.h"
#include "client/ui/video/video_settings_page.h"
#include "client/ui/video/video_test_dialog.h"
#include "client/video/control/video_ctl_thread.h"
#include "client/video/devices/video_device_list.h"
#include "platform/profile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace orv {
namespace {

struct FilledTexts : TextTable {
    FilledTexts() { Fill(); }
};

TEST(VideoWindow, ZoomLayoutCommandsAndPausedSending) {
    QTemporaryDir folder;
    const std::string skin = folder.filePath("videoWin.ini").toStdString();
    for (const auto& [key, value] : {std::pair{"Left", 6}, {"Top", 4}, {"Right", 6}, {"Bottom", 4}, {"Width", 320},
                                     {"Height", 240}})
        ASSERT_TRUE(WriteProfileInt("VIDEODLG", key, value, skin));
    const FilledTexts texts;
    VideoWindow window(texts, skin);
    std::vector<bool> paused;
    window.SetHooks({[&](bool p) { paused.push_back(p); }, {}, {}});

    window.Zoom(VideoWindow::kZoomReduce);
    EXPECT_EQ(window.PictureArea().size(), QSize(240, 180));
    EXPECT_EQ(window.PictureArea().topLeft(), QPoint(6, VideoWindow::kButtonBarHeight + 4));
    EXPECT_EQ(window.Display().geometry(), window.PictureArea());
    window.Zoom(0xFF06); // the nearest item at or above: full screen
    EXPECT_EQ(window.ZoomCommand(), VideoWindow::kZoomFullScreen);
    window.Zoom(VideoWindow::kZoom200);
    EXPECT_EQ(window.PictureArea().size(), QSize(640, 480));
    int checked = 0;
    for (QAction* action : window.ZoomMenu()->actions()) checked += action->isChecked() ? 1 : 0;
    EXPECT_EQ(checked, 1);
    // A wider window keeps the aspect: the picture is centred.
    window.resize(1000, 480 + 8 + VideoWindow::kButtonBarHeight);
    EXPECT_EQ(window.PictureArea(), QRect(180, VideoWindow::kButtonBarHeight + 4, 640, 480));
    EXPECT_EQ(window.minimumSize(), QSize(252, 188 + VideoWindow::kButtonBarHeight));

    // Reset state: local big, no small picture. SMALLVIDEO twice returns to it.
    VideoDisplayWindow& display = window.Display();
    EXPECT_TRUE(display.LocalBig());
    EXPECT_FALSE(display.SmallOpen());
    window.Command("SMALLVIDEO");
    EXPECT_TRUE(display.SmallOpen());
    EXPECT_EQ(window.Button("SMALLVIDEO")->toolTip(), "Close Small Picture");
    window.Command("VIDEOSWITCH");
    EXPECT_FALSE(display.LocalBig());
    EXPECT_EQ(window.Button("VIDEOSWITCH")->toolTip(), "Local Video");
    window.Command("SMALLVIDEO");
    window.Command("SMALLVIDEO");
    EXPECT_TRUE(display.SmallOpen());
    EXPECT_FALSE(display.LocalBig());

    window.Command("PAUSE");
    EXPECT_TRUE(window.SendingPaused());
    EXPECT_TRUE(window.Button("PAUSE")->isHidden());
    EXPECT_FALSE(window.Button("PLAY")->isHidden());
    window.VideoOn(); // a new call's video starts unpaused
    EXPECT_FALSE(window.SendingPaused());
    EXPECT_EQ(paused, (std::vector<bool>{true, false}));
    // No picture yet: the snapshot button shows nothing.
    window.Command("CAMERA");
    EXPECT_EQ(window.OpenSnapshot(), nullptr);
}

TEST(VideoWindow, MainWindowOpensItBesideAndFollowsTheCallsVideo) {
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    MainServices services = f.Services();
    std::vector<std::string> asked;
    services.video.setSendingPaused = [&](bool p) { asked.push_back(p ? "pause" : "resume"); };
    services.video.tellPeerPaused = [&](bool p) { asked.push_back(p ? "tell pause" : "tell resume"); };
    MainDialog& w = f.Window(std::move(services));
    w.move(40, 40);
    w.show();
    VideoWindow& video = w.Video().Window();
    EXPECT_FALSE(video.isVisible());
    QTest::mouseClick(w.Button("BUTTON_OWNVIDEO"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return video.isVisible(); }, 5000));
    EXPECT_EQ(video.frameGeometry().left(), w.frameGeometry().right() + 1);

    f.Emit("video_capture", {{"state", "0"}, {"device", ""}});
    EXPECT_FALSE(video.Display().LocalEnabled());
    f.Emit("video_capture", {{"state", "1"}, {"device", "ORV Test Pattern Camera"}});
    EXPECT_TRUE(video.Display().LocalEnabled());
    f.Emit("video_start", {{"frame_rate", "15"}, {"size_index", "3"}});
    EXPECT_TRUE(video.Display().SmallOpen());
    EXPECT_FALSE(video.Display().LocalBig());
    video.Command("PAUSE");
    f.Emit("call_progress", {{"type", "24"}, {"reason", "1"}});
    EXPECT_TRUE(video.Display().PauseIconOn());
    f.Emit("call_progress", {{"type", "24"}, {"reason", "0"}});
    EXPECT_FALSE(video.Display().PauseIconOn());
    f.Emit("call_progress", {{"type", "24"}, {"reason", "1"}});
    f.Emit("call_progress", {{"type", "4"}, {"reason", "0"}});
    EXPECT_FALSE(video.Display().PauseIconOn());
    EXPECT_TRUE(video.Display().LocalBig());
    EXPECT_FALSE(video.Display().SmallOpen());
    video.Command("PAUSE"); // outside a call only the camera's flag changes
    EXPECT_EQ(asked, (std::vector<std::string>{"resume", "pause", "tell pause", "resume", "pause"}));

    // Enter typed in the video window dials from the main window.
    f.state = 0;
    QTest::keyClicks(&w, "8002");
    QTest::keyClick(&video, Qt::Key_Return);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"8002"}));
}


double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); y += 3) {
        for (int x = 0; x < a.width(); x += 3) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / ((a.height() / 3 + 1) * (a.width() / 3 + 1) * 3.0);
}

TEST(VideoWindow, CameraFeedsTheDisplaySnapshotAndOrv2Loopback) {
    const FilledTexts texts;
    CVideoCtlThread control([] { return PatternCameraSettings(); });
    VideoWindow window(texts, "/nonexistent/videoWin.ini");
    control.PostLocalWindow(window.Display().FrameWindow());
    control.StartFromConfiguration();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Display().HasLocalFrame(); }, 10000));

    // The snapshot of the local picture, saved as BMP: 54 + 320 x 240 x 3 bytes.
    window.Command("CAMERA");
    ASSERT_NE(window.OpenSnapshot(), nullptr);
    EXPECT_EQ(window.OpenSnapshot()->Caption(), "Local Picture");
    QTemporaryDir folder;
    ASSERT_TRUE(window.OpenSnapshot()->SaveTo(folder.filePath("me.bmp")));
    EXPECT_EQ(QFileInfo(folder.filePath("me.bmp")).size(), 54 + 320 * 240 * 3);
    window.OpenSnapshot()->close();

    {
        VideoTestDialog test(nullptr, texts, &control, {kTestPatternCameraName, 15, 256, 2});
        ASSERT_TRUE(test.CodecsOpen());
        EXPECT_EQ(test.Encoder().EncoderBitRate(), 256);
        ASSERT_TRUE(QTest::qWaitFor([&] { return test.FramesDecoded() >= 8; }, 15000));
        EXPECT_EQ(test.RemoteImage().size(), QSize(320, 240));
        EXPECT_LT(MeanDifference(test.LocalImage(), test.RemoteImage()), 12.0);

        // 20 fps restarts capture at that rate and re-opens the encoder with it.
        test.SetFrameRate(25);
        EXPECT_EQ(test.FrameRate(), 20);
        EXPECT_EQ(test.Encoder().EncoderFrameRate(), 20);
        test.SetBandwidth(10);
        EXPECT_EQ(test.Encoder().EncoderBitRate(), 32);
        const std::uint64_t before = test.FramesDecoded();
        ASSERT_TRUE(QTest::qWaitFor([&] { return test.FramesDecoded() >= before + 8; }, 15000));

        test.ToggleRunning(); // stop: codecs closed, panes cleared
        EXPECT_FALSE(test.CodecsOpen());
        EXPECT_TRUE(test.RemoteImage().isNull());
        test.ToggleRunning();
        EXPECT_TRUE(test.CodecsOpen());
        test.accept();
        EXPECT_FALSE(test.CodecsOpen());
    }
    // The dialog is gone; the camera goes on into the video window.
    window.Display().EnableLocal(false);
    window.Display().EnableLocal(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Display().HasLocalFrame(); }, 10000));
    control.PostLocalWindow(0);
    control.Quit();
}

TEST(VideoSettings, PresetsAdjustClampingAndSaving) {
    QTemporaryDir home;
    const std::string homeFolder = home.path().toStdString();
    ASSERT_TRUE(WriteProfileString("VideoQual", "Q0", "5,0,64", homeFolder + "/VD.CFG"));
    ASSERT_TRUE(WriteProfileString("VideoQual", "Q1", "8,3,200", homeFolder + "/VD.CFG"));
    ConfigEnvironment environment;
    environment.programFolder = homeFolder;
    environment.homeFolder = homeFolder;
    environment.moduleName = "orvphone";
    environment.imagingDevices = [] { return std::vector<std::string>{"USB Camera", kTestPatternCameraName}; };
    ClientConfig config(environment);
    config.Video().device = kTestPatternCameraName;
    const FilledTexts texts;
    VideoSettingsPage page(nullptr, texts, config, nullptr);

    EXPECT_EQ(page.Devices()->currentText().toStdString(), kTestPatternCameraName);
    EXPECT_EQ(page.Quality()->count(), 10);
    EXPECT_EQ(page.Quality()->itemText(0), "0 Disable");
    EXPECT_EQ(page.Quality()->itemText(9), "9 Best");
    EXPECT_FALSE(page.FrameRate()->isEnabled());
    page.Adjust()->setChecked(true);
    EXPECT_TRUE(page.FrameRate()->isEnabled());
    EXPECT_TRUE(page.Sizes()->isEnabled());

    page.Quality()->setCurrentIndex(1);
    emit page.Quality()->activated(1);
    EXPECT_EQ(page.FrameRate()->text(), "8");
    EXPECT_EQ(page.Bandwidth()->text(), "200");
    EXPECT_EQ(page.Sizes()->currentText(), "352 X 288");

    page.FrameRate()->setText("25");
    page.Bandwidth()->setText("10");
    page.Devices()->setCurrentIndex(0);
    ASSERT_TRUE(page.Apply());
    ClientConfig reread(environment);
    EXPECT_EQ(reread.Video().frameRate, 20);
    EXPECT_EQ(reread.Video().flowRate, 32);
    EXPECT_EQ(reread.Video().videoFormat, 3);
    EXPECT_EQ(reread.Video().videoQual, 1);
    EXPECT_EQ(reread.Video().device, "USB Camera");
}

} // namespace
} // namespace orv
