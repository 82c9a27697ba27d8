// The desktop client's video in a real call: the main window with the client core's video
// (test-pattern camera) calls orvcli (test-pattern camera too) through orvserver; each side
// decodes the other's pictures, the video window shows the peer big, and pausing our video
// reaches the peer.
#include "client/core/call_control.h"
#include "client/core/video_core.h"
#include "client/audio/devices/audio_device_list.h"
#include "client/data/client_config.h"
#include "client/media/talk_media.h"
#include "client/ui/call_services.h"
#include "client/video/capture/test_pattern_camera.h"
#include "client/video/devices/video_device_list.h"
#include "tests/ui/ui_live_support.h"

#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(VideoWindowLive, CallShowsThePeersPictureAndThePeerSeesOurs) {
    LiveServer server;
    ASSERT_TRUE(server.Start()) << server.Output();
    TestFolder cliHome;
    std::ofstream(cliHome.File("orvcli.cfg")) << "[Video]\nVideoQual=1\nFrameRate=15\nVideoFormat=3\nFlowRate=256\n";
    ChildProcess cli;
    ASSERT_TRUE(StartClientProcess(cli, cliHome.Path(), server.Address(), "8002", "2222",
                                   {"--audio-device", "null", "--video-device", kTestPatternCameraName,
                                    "--video-codec", "2"},
                                   kWaitMs))
        << cli.Output();
    ASSERT_TRUE(cli.WriteLine("logon"));
    ASSERT_TRUE(cli.WaitForLine("EVENT logon_complete", kWaitMs)) << cli.Output();

    SetOnlySoundDevice("null");
    SetOnlyVideoDevice(kTestPatternCameraName);
    MediaPipelineScope media;
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    ClientConfig& config = *f.Core().Config();
    UseTestPatternCamera(config, 1, 15, 3);
    VideoCore video(f.Core());
    ASSERT_TRUE(f.Core().Logon(server.Host(), server.Port(), "8001", "1111"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Relay().Seen("logon_complete"); }, kWaitMs));
    MainServices services = f.Services();
    UseCallControl(*f.Core().Calls(), &services);
    UseVideoCore(video, &config, f.Core().Calls(), &services);
    MainDialog& w = f.Window(services);
    w.show();
    video.StartFromConfiguration();
    VideoDisplayWindow& display = w.Video().Window().Display();
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.HasLocalFrame(); }, kWaitMs)) << "our camera in the window";

    QTest::keyClicks(&w, "8002");
    QTest::keyClick(&w, Qt::Key_Return);
    ASSERT_TRUE(CliLine(cli, "EVENT call_progress type=6", kWaitMs)) << cli.Output();
    ASSERT_TRUE(cli.WriteLine("answer"));

    // The peer's picture, big in the video window, at the negotiated size, with the test
    // pattern's frame number readable; the peer decodes ours likewise.
    VideoPicture seen;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const VideoDisplayWindow::Snapshot shot = display.TakeSnapshot();
        if (shot.local || shot.picture.Empty()) return false;
        seen = shot.picture;
        return true;
    }, kWaitMs)) << cli.Output();
    EXPECT_EQ(seen.header.biWidth, 352);
    EXPECT_EQ(seen.header.biHeight, 288);
    VideoFrame frame;
    frame.width = 352;
    frame.height = 288;
    frame.bits = seen.bits.data();
    frame.length = seen.bits.size();
    EXPECT_TRUE(ReadTestPatternFrameNumber(frame).has_value()) << "the peer's test pattern, decoded";
    EXPECT_TRUE(display.SmallOpen());
    std::string line;
    ASSERT_TRUE(CliLine(cli, "EVENT video_frame count=1 ", kWaitMs, &line)) << cli.Output();
    EXPECT_NE(line.find("width=352"), std::string::npos) << line;

    // Our pause reaches the peer.
    w.Video().Window().Command("PAUSE");
    EXPECT_TRUE(CliLine(cli, "EVENT call_progress type=24", kWaitMs, &line)) << cli.Output();

    QTest::mouseClick(w.Button("BUTTON_ENDCALL"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.LocalBig() && !display.SmallOpen(); }, kWaitMs));
    EXPECT_TRUE(display.TakeSnapshot().local);
    SetOnlyVideoDevice("");
    SetOnlySoundDevice("");
}

} // namespace
} // namespace orv
