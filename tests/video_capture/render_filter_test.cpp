// The render filter's delivery rules and the process-wide frame-rate limiter, driven with
// real platform windows on this thread and an injected millisecond tick.
#include "client/video/capture/frame_rate_limiter.h"
#include "client/video/capture/raw_data_render_filter.h"
#include "client/video/capture/video_device_choice.h"
#include "client/video/capture/video_size_table.h"
#include "platform/message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

class RenderFilterTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetFrameRateLimiter(); }

    // Offers one frame per 1000 / fps ms for the given span; returns how many passed.
    int Feed(int fps, int spanMs) {
        int passed = 0;
        const int frames = fps * spanMs / 1000;
        for (int i = 0; i < frames; ++i) {
            m_tick = m_start + static_cast<std::uint32_t>(i * 1000 / fps);
            if (m_filter.Receive(m_frame)) ++passed;
        }
        m_start = m_tick + 1000 / fps;
        return passed;
    }

    std::vector<std::uint8_t> m_bits = std::vector<std::uint8_t>(Rgb24ImageSize(160, 120), 7);
    VideoFrame m_frame{160, 120, 0, m_bits.data(), m_bits.size()};
    std::uint32_t m_start = 1000;
    std::uint32_t m_tick = 0;
    RawDataRenderFilter m_filter{[this] { return m_tick; }};
};

TEST_F(RenderFilterTest, DeliversToLocalWindowSecondWindowThenSinkUnlessPaused) {
    std::vector<std::string> order;
    auto window = [&order](const char* name, UINT expected) {
        return FunctionWindow(
            [&order, name, expected](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (message != expected) return 0;
                const auto* frame = reinterpret_cast<const VideoFrame*>(wParam);
                EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(lParam), frame->bits);
                order.push_back(std::string(name) + " " + std::to_string(frame->width) + "x" +
                                std::to_string(frame->height));
                return 0;
            });
    };
    FunctionWindow local = window("local", WM_USER + 6);
    FunctionWindow second = window("second", WM_USER + 7);
    ASSERT_NE(local.Create(), 0u);
    ASSERT_NE(second.Create(), 0u);
    m_filter.SetLocalWindow(local.GetSafeHwnd());
    m_filter.SetSecondWindow(second.GetSafeHwnd());
    m_filter.SetSink([&order](const VideoFrame& frame) {
        order.push_back("sink " + std::to_string(frame.length));
    });
    m_filter.SetFrameFormat(160, 120);

    // Target rate 0 delivers nothing, not even to the windows.
    m_filter.SetTargetRate(0);
    EXPECT_EQ(Feed(15, 1000), 0);
    EXPECT_TRUE(order.empty());

    m_filter.SetTargetRate(15.9); // the integer part counts
    ASSERT_TRUE(m_filter.Receive(m_frame));
    EXPECT_EQ(order, (std::vector<std::string>{"local 160x120", "second 160x120", "sink 57600"}));

    // Paused sending still feeds both windows.
    order.clear();
    m_filter.SetSendingPaused(true);
    ASSERT_TRUE(m_filter.Receive(m_frame));
    EXPECT_EQ(order, (std::vector<std::string>{"local 160x120", "second 160x120"}));

    // A frame of another size than announced, or cut short, is never handed on.
    order.clear();
    m_filter.SetSendingPaused(false);
    m_filter.SetSecondWindow(0);
    VideoFrame wrongSize = m_frame;
    wrongSize.width = 176;
    VideoFrame cutShort = m_frame;
    cutShort.length -= 1;
    EXPECT_FALSE(m_filter.Receive(wrongSize));
    EXPECT_FALSE(m_filter.Receive(cutShort));
    ASSERT_TRUE(m_filter.Receive(m_frame));
    EXPECT_EQ(order, (std::vector<std::string>{"local 160x120", "sink 57600"}));
}

TEST_F(RenderFilterTest, LimiterPassesAllWhileMeasuringThenThinsInRuns) {
    m_filter.SetFrameFormat(160, 120);
    m_filter.SetTargetRate(10);
    // Nothing is measured during the first 3 seconds: every frame passes.
    EXPECT_EQ(Feed(30, 3000), 90);
    // The 91st frame still falls inside the first 3 seconds; from then on 30 fps against 10
    // passes one frame and drops two, over and over.
    std::string pattern;
    for (int i = 0; i < 13; ++i) {
        m_tick = m_start + static_cast<std::uint32_t>(i * 1000 / 30);
        pattern += m_filter.Receive(m_frame) ? 'P' : 'd';
    }
    m_start = m_tick + 33;
    EXPECT_EQ(pattern, "P"
                       "PddPddPddPdd");
    EXPECT_EQ(Feed(30, 6000), 60);

    // A camera slower than the target passes every frame once remeasured.
    m_filter.SetTargetRate(15);
    Feed(10, 7000); // two measurements: the second sees only the slow camera
    EXPECT_EQ(Feed(10, 3000), 30);
}

TEST_F(RenderFilterTest, LimiterMeasuresAcrossTheTickWrap) {
    m_filter.SetFrameFormat(160, 120);
    m_filter.SetTargetRate(5);
    m_start = 0xFFFFF000u; // the 32-bit tick wraps about 4 s into the run
    EXPECT_EQ(Feed(20, 3000), 60);
    Feed(20, 1000);
    // 20 fps against 5: one passes, three are dropped.
    EXPECT_EQ(Feed(20, 4000), 20);
}

TEST(VideoSizes, TableAndDeviceChoice) {
    EXPECT_EQ(VideoSizeForIndex(0).width, 160);
    EXPECT_EQ(VideoSizeForIndex(1).height, 144);
    EXPECT_EQ(VideoSizeForIndex(3).width, 352);
    EXPECT_EQ(VideoSizeForIndex(4).width, 680); // not 640
    EXPECT_EQ(VideoSizeForIndex(4).height, 480);
    for (const int other : {2, 5, -1, 255}) {
        EXPECT_EQ(VideoSizeForIndex(other).width, 320);
        EXPECT_EQ(VideoSizeForIndex(other).height, 240);
    }

    std::vector<VideoDeviceInfo> devices;
    for (int i = 0; i < 12; ++i)
        devices.push_back({"Cam " + std::to_string(i), "/dev/video" + std::to_string(i)});
    devices.push_back({kTestPatternCameraName, kTestPatternCameraPath});
    const auto offered = LimitVideoDevices(devices);
    ASSERT_EQ(offered.size(), kMaxVideoDevices);
    EXPECT_EQ(offered[8].name, "Cam 8");
    EXPECT_EQ(offered[9].path, kTestPatternCameraPath); // the test pattern always keeps a place

    EXPECT_EQ(ChooseVideoDevice("Cam 3", offered)->path, "/dev/video3");
    EXPECT_EQ(ChooseVideoDevice("Cam 11", offered)->path, "/dev/video0"); // gone: the first one
    EXPECT_EQ(ChooseVideoDevice("file:/tmp/a.y4m,loop=1", offered)->path, "file:/tmp/a.y4m,loop=1");
    EXPECT_FALSE(ChooseVideoDevice("Cam 3", {}).has_value());
    EXPECT_EQ(EnumerateVideoDevices().back().name, kTestPatternCameraName);
}

} // namespace
} // namespace orv
