// The only consumer of captured frames: thins them to the target rate and hands each one
// that passes, synchronously and under the frame lock, to
//   1. the local window:  SendMessage WM_USER+6, wParam = const VideoFrame*, lParam = bits
//   2. the second window: SendMessage WM_USER+7 with the same parameters (video test)
//   3. the sink, unless sending is paused (the video sender compresses and sends it).
// The window handlers and the sink must not call back into the filter, and copy what they
// keep before they return. Because delivery waits for the windows' thread, the setters (and
// stopping the camera) belong on another thread, the video control thread: called on the
// windows' own thread while frames flow they would wait for each other.
#pragma once

#include "client/video/capture/video_source.h"
#include "platform/types.h"

#include <cstdint>
#include <functional>
#include <mutex>

namespace orv {

constexpr UINT kLocalVideoFrameMessage = WM_USER + 6;
constexpr UINT kSecondVideoFrameMessage = WM_USER + 7;

using VideoFrameSink = std::function<void(const VideoFrame& frame)>;

class RawDataRenderFilter {
  public:
    // tick gives the millisecond tick the frame-rate limiter measures with.
    explicit RawDataRenderFilter(std::function<std::uint32_t()> tick = {});

    void SetLocalWindow(HWND window);
    void SetSecondWindow(HWND window);
    void SetSink(VideoFrameSink sink);
    void SetSendingPaused(bool paused);
    bool SendingPaused() const;
    // The size every delivered frame has; a frame of another size or length is dropped.
    void SetFrameFormat(int width, int height);
    // Frames per second wanted (the integer part counts); 0 delivers nothing.
    void SetTargetRate(double frameRate);

    // One captured frame (capture thread). true when it was delivered.
    bool Receive(const VideoFrame& frame);

  private:
    mutable std::recursive_mutex m_frameLock;
    std::function<std::uint32_t()> m_tick;
    HWND m_localWindow = 0;
    HWND m_secondWindow = 0;
    VideoFrameSink m_sink;
    bool m_sendingPaused = false;
    int m_width = 0;
    int m_height = 0;
    std::uint16_t m_targetRate = 0;
};

} // namespace orv
