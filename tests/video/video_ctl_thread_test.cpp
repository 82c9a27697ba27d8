// The video control thread with the real test-pattern camera: its start rules and notices,
// and the way frames reach the local window, the second window and the sink.
#include "client/video/capture/video_source.h"
#include "client/video/control/video_ctl_thread.h"
#include "client/video/devices/video_device_list.h"
#include "platform/message.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace orv {
namespace {

constexpr int kWaitMs = 5000;

// Windows on the test thread: notices and frames are recorded as they are dispatched.
class VideoCtlThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_settings.deviceCount = 1;
        m_settings.videoQuality = 1;
        m_settings.frameRate = 15;
        m_settings.sizeIndex = 0;
        m_settings.device = kTestPatternCameraName;
        m_window.Create("video test window");
        m_second.Create("video test second window");
        m_control = std::make_unique<CVideoCtlThread>([this] {
            std::lock_guard<std::mutex> hold(m_settingsLock);
            return m_settings;
        });
        m_control->SetNotifyWindow(m_window.GetSafeHwnd());
        m_control->PostLocalWindow(m_window.GetSafeHwnd());
    }
    void TearDown() override { m_control->Quit(); }

    void Configure(const std::function<void(VideoCaptureSettings&)>& change) {
        std::lock_guard<std::mutex> hold(m_settingsLock);
        change(m_settings);
    }

    // Serves this thread's windows until the condition holds or the time is up.
    static bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = kWaitMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            MSG msg;
            if (GetMessageTimeout(&msg, 10)) DispatchMessage(&msg);
        }
        return true;
    }
    bool NextNotice(WPARAM expected) {
        const std::size_t seen = m_notices.size();
        return PumpUntil([&] { return m_notices.size() > seen; }) && m_notices.back() == expected;
    }
    bool FramesArrive(int count, int width, int height) {
        const int first = m_localFrames;
        return PumpUntil([&] { return m_localFrames >= first + count; }) && m_width == width && m_height == height;
    }

    VideoCaptureSettings m_settings;
    std::mutex m_settingsLock;
    std::vector<WPARAM> m_notices;
    int m_localFrames = 0, m_secondFrames = 0, m_width = 0, m_height = 0;
    FunctionWindow m_window{[this](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == kVideoCaptureNotice) m_notices.push_back(wParam);
        if (message == kLocalVideoFrameMessage) {
            const auto* frame = reinterpret_cast<const VideoFrame*>(wParam);
            ++m_localFrames;
            m_width = frame->width;
            m_height = frame->height;
        }
        return 0;
    }};
    FunctionWindow m_second{[this](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kSecondVideoFrameMessage) ++m_secondFrames;
        return 0;
    }};
    std::unique_ptr<CVideoCtlThread> m_control;
};

TEST_F(VideoCtlThreadTest, StartsRestartsAndStopsByTheRules) {
    m_control->StartFromConfiguration();
    ASSERT_TRUE(NextNotice(1));
    EXPECT_TRUE(VideoCapturing());
    EXPECT_EQ(m_control->CurrentDevice(), kTestPatternCameraName);
    ASSERT_TRUE(FramesArrive(3, 160, 120));

    // The same values again (15.9 has the integer part 15): nothing happens, no notice; the
    // stop after it is the next notice.
    m_control->SetRequestedFrameRate(15.9);
    m_control->PostStart();
    m_control->PostStop();
    ASSERT_TRUE(NextNotice(0));
    EXPECT_EQ(m_notices, (std::vector<WPARAM>{1, 0}));
    EXPECT_FALSE(VideoCapturing());
    EXPECT_EQ(m_control->CurrentDevice(), "");

    // After a stop the same values start the camera again; a new size restarts it.
    m_control->PostStart();
    ASSERT_TRUE(NextNotice(1));
    m_control->SetRequestedSizeIndex(4);
    m_control->PostStart();
    ASSERT_TRUE(NextNotice(1));
    ASSERT_TRUE(FramesArrive(3, 680, 480));

    // Quality 0 ("Disable") stops a working camera and says so.
    Configure([](VideoCaptureSettings& s) { s.videoQuality = 0; });
    m_control->SetRequestedSizeIndex(1);
    m_control->PostStart();
    ASSERT_TRUE(NextNotice(0));
    EXPECT_FALSE(VideoCapturing());
    const int framesAfterStop = m_localFrames;
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(m_localFrames, framesAfterStop);

    // No video device at all: not capturing, notice 0 (also for values equal to the last).
    Configure([](VideoCaptureSettings& s) {
        s.videoQuality = 1;
        s.deviceCount = 0;
    });
    m_control->PostStart();
    ASSERT_TRUE(NextNotice(0));
    // A camera that cannot open leaves capture off with notice 0.
    Configure([](VideoCaptureSettings& s) { s.deviceCount = 1; });
    m_control->SetRequestedDevice("file:/nonexistent/none.y4m");
    m_control->PostStart();
    ASSERT_TRUE(NextNotice(0));
    EXPECT_FALSE(VideoCapturing());
}

TEST_F(VideoCtlThreadTest, PausedSendingStillFeedsBothWindowsAndQuitDetachesEverything) {
    std::atomic<int> sinkFrames{0};
    auto sinkAlive = std::make_shared<int>(0);
    m_control->PostSink([&sinkFrames, keep = sinkAlive](const VideoFrame&) { ++sinkFrames; });
    m_control->PostSecondWindow(m_second.GetSafeHwnd());
    m_control->StartFromConfiguration();
    ASSERT_TRUE(NextNotice(1));
    ASSERT_TRUE(PumpUntil([&] { return sinkFrames.load() >= 3 && m_secondFrames >= 3; }));

    // Messages are handled in order: once the third window (the new second window) has a
    // frame, the pause posted before it is in force.
    int thirdFrames = 0;
    FunctionWindow third([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kSecondVideoFrameMessage) ++thirdFrames;
        return 0;
    });
    third.Create("video test third window");
    m_control->PostSendingPaused(true);
    m_control->PostSecondWindow(third.GetSafeHwnd());
    ASSERT_TRUE(PumpUntil([&] { return thirdFrames >= 1; }));
    const int sinkAtPause = sinkFrames.load();
    ASSERT_TRUE(FramesArrive(5, 160, 120));
    EXPECT_EQ(sinkFrames.load(), sinkAtPause);
    EXPECT_GE(thirdFrames, 5);

    m_control->PostSendingPaused(false);
    ASSERT_TRUE(PumpUntil([&] { return sinkFrames.load() >= sinkAtPause + 3; }));

    // Quitting clears the windows and the sink and stops the camera.
    m_control->Quit();
    EXPECT_EQ(sinkAlive.use_count(), 1);
    EXPECT_FALSE(VideoCapturing());
    const int framesAtQuit = m_localFrames;
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(m_localFrames, framesAtQuit);
}

} // namespace
} // namespace orv
