// The cameras end to end: the test pattern's frame number through a real lossy codec, the
// raw pixel formats a webcam delivers, Y4M files paced on a virtual clock, and a capture
// graph feeding the render filter in real time.
#include "client/video/capture/capture_graph.h"
#include "client/video/capture/file_camera.h"
#include "client/video/capture/pixel_convert.h"
#include "client/video/capture/test_pattern_camera.h"
#include "client/video/capture/v4l2_camera.h"
#include "client/video/capture/video_clock.h"
#include "client/video/capture/video_device_choice.h"
#include "client/video/capture/video_size_table.h"
#include "client/video/capture/y4m_reader.h"
#include "tests/video_capture/capture_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>

namespace orv {
namespace {

TEST(TestPattern, FrameNumberSurvivesJpegAndScalingAtEveryTableSize) {
    QuietFfmpegLog(); // the JPEG encoder's full-range input format draws a notice per picture
    for (int index = 0; index <= 4; ++index) {
        const VideoSize size = VideoSizeForIndex(index);
        std::vector<std::uint8_t> picture(Rgb24ImageSize(size.width, size.height));
        for (const std::uint32_t number : {0u, 1u, 12345u, 65535u, 70000u}) {
            DrawTestPattern(number, size.width, size.height, picture.data());
            const VideoFrame drawn{size.width, size.height, 0, picture.data(), picture.size()};
            EXPECT_EQ(ReadTestPatternFrameNumber(drawn), static_cast<std::uint16_t>(number));

            // Coarse JPEG, decoded by the camera path, at the same size and at half size.
            const auto jpeg = EncodeJpeg(picture.data(), size.width, size.height, 12);
            for (const int divisor : {1, 2}) {
                const int w = size.width / divisor, h = size.height / divisor;
                PixelConverter converter;
                std::string error;
                ASSERT_TRUE(converter.Configure(CameraPixelFormat::kMjpeg, size.width, size.height,
                                                0, w, h, error));
                std::vector<std::uint8_t> decoded(Rgb24ImageSize(w, h));
                ASSERT_TRUE(converter.Convert(jpeg.data(), jpeg.size(), decoded.data()));
                const VideoFrame frame{w, h, 0, decoded.data(), decoded.size()};
                EXPECT_EQ(ReadTestPatternFrameNumber(frame), static_cast<std::uint16_t>(number))
                    << size.width << "x" << size.height << " / " << divisor;
                if (divisor == 1) {
                    EXPECT_GT(Psnr(picture, decoded), 28.0); // right way up, B-G-R
                }
            }
        }
    }
    std::vector<std::uint8_t> grey(Rgb24ImageSize(176, 144), 128);
    EXPECT_FALSE(ReadTestPatternFrameNumber({176, 144, 0, grey.data(), grey.size()}).has_value());
    EXPECT_FALSE(
        ReadTestPatternFrameNumber({176, 144, 0, grey.data(), grey.size() - 1}).has_value());
}

TEST(PixelConvert, WebcamFormatsBecomeBottomUpBgrWithRedAboveBlue) {
    constexpr int kW = 64, kH = 32;
    const struct {
        CameraPixelFormat format;
        int bytesPerLine;
    } cases[] = {{CameraPixelFormat::kYuyv, 0},   {CameraPixelFormat::kUyvy, 0},
                 {CameraPixelFormat::kNv12, 0},   {CameraPixelFormat::kNv12, 80},
                 {CameraPixelFormat::kYuv420, 0}, {CameraPixelFormat::kYvu420, 96},
                 {CameraPixelFormat::kYuv422p, 0}};
    for (const auto& c : cases) {
        const auto raw = MakeRedOverBlue(c.format, kW, kH, c.bytesPerLine);
        for (const int outW : {kW, kW / 2}) {
            const int outH = outW / 2;
            PixelConverter converter;
            std::string error;
            ASSERT_TRUE(converter.Configure(c.format, kW, kH, c.bytesPerLine, outW, outH, error))
                << error;
            std::vector<std::uint8_t> out(Rgb24ImageSize(outW, outH));
            ASSERT_TRUE(converter.Convert(raw.data(), raw.size(), out.data()));
            const std::uint8_t* bottomRow = out.data();
            const std::uint8_t* topRow =
                out.data() + Rgb24Stride(outW) * static_cast<std::size_t>(outH - 1);
            const std::string label =
                std::to_string(static_cast<std::uint32_t>(c.format)) + "/" + std::to_string(outW);
            EXPECT_TRUE(bottomRow[0] > 200 && bottomRow[1] < 50 && bottomRow[2] < 50)
                << label;                                                              // blue
            EXPECT_TRUE(topRow[2] > 200 && topRow[1] < 50 && topRow[0] < 50) << label; // red
            EXPECT_FALSE(converter.Convert(raw.data(), raw.size() - 1, out.data())) << label;
        }
    }
    PixelConverter converter;
    std::string error;
    EXPECT_FALSE(
        converter.Configure(CameraPixelFormat::kYuyv, kW, kH, kW, kW, kH, error)); // line too short
    EXPECT_FALSE(
        converter.Configure(static_cast<CameraPixelFormat>(0x34363248), kW, kH, 0, kW, kH, error));
}

TEST(Y4m, HeaderFieldsAreCheckedOneByOne) {
    Y4mHeader header;
    std::string error;
    ASSERT_TRUE(
        ParseY4mHeader("YUV4MPEG2 W176 H144 F30000:1001 Ip A1:1 C444 XYSCSS=444", header, error));
    EXPECT_EQ(header.rateNum, 30000);
    EXPECT_EQ(Y4mFrameBytes(header), 176u * 144 * 3);
    ASSERT_TRUE(ParseY4mHeader("YUV4MPEG2 W175 H9 Cmono", header, error));
    EXPECT_EQ(header.rateNum, 25);
    EXPECT_EQ(Y4mFrameBytes(header), 175u * 9);
    ASSERT_TRUE(ParseY4mHeader("YUV4MPEG2 W175 H9", header, error));
    EXPECT_EQ(Y4mFrameBytes(header), 175u * 9 + 2 * 88 * 5);
    for (const char* bad :
         {"YUV4MPEG W176 H144", "YUV4MPEG2 W176", "YUV4MPEG2 W99999 H144", "YUV4MPEG2 W-5 H144",
          "YUV4MPEG2 W176 H144 C420p10", "YUV4MPEG2 W176 H144 F0:1", "YUV4MPEG2 W176 H144 F15",
          "YUV4MPEG2 W12x H144"}) {
        error.clear();
        EXPECT_FALSE(ParseY4mHeader(bad, header, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(FileCamera, PacesScalesLoopsAndReportsBadFiles) {
    test::TempFolder folder;
    const std::string clip = folder.File("clip.y4m");
    WriteY4m(clip, 176, 144, "15:1", 10);

    auto collect = [](const std::string& name, std::size_t stopAfter,
                      std::string* lastError = nullptr) {
        FileCameraSetting setting;
        EXPECT_TRUE(ParseFileCameraName(name, setting));
        std::string error;
        auto camera =
            OpenFileCamera(setting, {352, 288, 30}, error, std::make_shared<VirtualVideoClock>());
        FrameLog log;
        if (!camera) return log;
        EXPECT_EQ(camera->Format().frameRate, 15.0); // the file's own rate
        EXPECT_TRUE(camera->Start([&log](const VideoFrame& frame) { log.Add(frame); }));
        log.WaitFor(stopAfter, [&camera] { return !camera->IsRunning(); });
        camera->Stop();
        if (lastError) *lastError = camera->LastError();
        return log;
    };

    FrameLog once = collect("file:" + clip, 1000);
    ASSERT_EQ(once.Count(), 10u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(once.timestamps[i], static_cast<std::uint32_t>(i * 1000000 / 15 / 1000)) << i;
        EXPECT_EQ(once.sizes[i], "352x288");
        if (i > 0) {
            EXPECT_GT(once.greys[i], once.greys[i - 1] + 10) << i;
        }
    }

    EXPECT_EQ(collect("file:" + clip + ",loop=0", 1000).Count(), 10u);
    FrameLog looped = collect("file:" + clip + ",loop=1", 25);
    ASSERT_GE(looped.Count(), 25u);
    EXPECT_EQ(looped.greys[10], looped.greys[0]);
    EXPECT_EQ(looped.greys[24], looped.greys[4]);

    // A file cut inside its fourth frame gives three frames and says why it stopped.
    const std::string cut = folder.File("cut.y4m");
    WriteY4m(cut, 176, 144, "15:1", 4, 176 * 144 * 3 / 2 / 2);
    std::string lastError;
    EXPECT_EQ(collect("file:" + cut + ",loop=1", 1000, &lastError).Count(), 3u);
    EXPECT_NE(lastError.find("cut short"), std::string::npos) << lastError;

    std::string error;
    const std::string bad = folder.File("bad.y4m");
    test::WriteText(bad, "YUV4MPEG2 W0 H144 F15:1\nFRAME\n");
    EXPECT_EQ(OpenVideoSource("file:" + bad, {176, 144, 15}, error), nullptr);
    EXPECT_NE(error.find("W0"), std::string::npos) << error;
    EXPECT_EQ(OpenVideoSource("file:" + folder.File("missing.y4m"), {176, 144, 15}, error),
              nullptr);
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    const std::string slow = folder.File("slow.y4m");
    WriteY4m(slow, 176, 144, "1:2", 1);
    EXPECT_EQ(OpenVideoSource("file:" + slow, {176, 144, 15}, error), nullptr);
    EXPECT_NE(error.find("frame rate"), std::string::npos) << error;
}

TEST(TestPattern, AReceiverThatHoldsTheCameraUpMissesFramesAsWithARealCamera) {
    const auto clock = std::make_shared<VirtualVideoClock>();
    auto camera = OpenTestPatternCamera({176, 144, 10}, clock);
    FrameLog log;
    std::vector<int> numbers; // read from the pictures
    ASSERT_TRUE(camera->Start([&](const VideoFrame& frame) {
        {
            std::lock_guard lock(log.mutex);
            numbers.push_back(ReadTestPatternFrameNumber(frame).value_or(-1));
        }
        log.Add(frame);
        if (log.Count() <= 4) clock->Advance(250000); // a receiver busy for 2.5 frame times
    }));
    ASSERT_TRUE(log.WaitFor(8));
    camera->Stop();
    const std::vector<int> expected{0, 2, 5, 7, 10, 11, 12, 13};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(numbers[i], expected[i]) << i;
        EXPECT_EQ(log.timestamps[i], static_cast<std::uint32_t>(expected[i] * 100))
            << i; // its own time
    }
}

TEST(CaptureGraph, TestPatternRunsThroughTheFilterAndChangesSizeWhileRunning) {
    RawDataRenderFilter filter;
    CaptureGraph graph(filter);
    FrameLog log;
    std::vector<std::uint16_t> numbers;
    filter.SetSink([&](const VideoFrame& frame) {
        log.Add(frame);
        std::lock_guard lock(log.mutex);
        numbers.push_back(ReadTestPatternFrameNumber(frame).value_or(0xFFFF));
    });

    EXPECT_FALSE(graph.BuildCaptureGraph());
    EXPECT_TRUE(graph.SelectDevice("Camera That Was Unplugged"));
    EXPECT_EQ(graph.DeviceName(), EnumerateVideoDevices().front().name);
    ASSERT_TRUE(graph.SelectDevice(kTestPatternCameraName));
    const VideoSize big = VideoSizeForIndex(4);
    ASSERT_TRUE(graph.SetFormat(15.0, big.width, big.height));
    EXPECT_FALSE(graph.StartCapture()) << "not built yet";
    ASSERT_TRUE(graph.BuildCaptureGraph());
    ASSERT_TRUE(graph.StartCapture());
    ASSERT_TRUE(log.WaitFor(5));
    ASSERT_TRUE(graph.SetFormat(15.0, 176, 144));
    ASSERT_TRUE(log.WaitFor(log.Count() + 3));
    ASSERT_TRUE(graph.StopCapture());
    const std::size_t atStop = log.Count();
    EXPECT_FALSE(graph.StopCapture());

    std::lock_guard lock(log.mutex);
    EXPECT_EQ(log.sizes.front(), "680x480");
    EXPECT_EQ(log.sizes.back(), "176x144");
    EXPECT_EQ(log.sizes.size(), atStop); // nothing arrives once stopped
    // Every picture carries its frame number; a slow machine may skip frames, never repeat one.
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        EXPECT_NE(numbers[i], 0xFFFF) << i;
        if (i > 0 && log.sizes[i] == log.sizes[i - 1]) {
            EXPECT_GT(numbers[i], numbers[i - 1]) << i;
        }
    }
}

TEST(V4l2Camera, RefusesWhatIsNotACaptureDeviceAndPrefersCommonFormats) {
    std::string error;
    EXPECT_EQ(OpenV4l2Camera("/nonexistent/video9", {320, 240, 15}, error), nullptr);
    EXPECT_NE(error.find("cannot open /nonexistent/video9"), std::string::npos) << error;
    EXPECT_EQ(OpenV4l2Camera("/dev/null", {320, 240, 15}, error), nullptr);
    EXPECT_NE(error.find("not a V4L2 device"), std::string::npos) << error;

    const auto code = [](CameraPixelFormat f) { return static_cast<std::uint32_t>(f); };
    EXPECT_EQ(PreferredCameraPixelFormat(
                  {code(CameraPixelFormat::kMjpeg), code(CameraPixelFormat::kYuyv)}),
              CameraPixelFormat::kYuyv);
    EXPECT_EQ(PreferredCameraPixelFormat({0x34363248 /* H264 */, code(CameraPixelFormat::kNv12)}),
              CameraPixelFormat::kNv12);
    EXPECT_FALSE(PreferredCameraPixelFormat({0x34363248}).has_value());
    EXPECT_EQ(OpenVideoSource(kTestPatternCameraName, {320, 240, 0.5}, error), nullptr);
    EXPECT_EQ(OpenVideoSource("file:,loop=1", {320, 240, 15}, error), nullptr);
    EXPECT_EQ(error, "file camera without a file name");
}

} // namespace
} // namespace orv
