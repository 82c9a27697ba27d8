// VideoCore: the video side of the client core for a front-end. It owns the video control
// thread (the camera), joins it to the calls (a call's media restart the camera with the
// negotiated values and feed its frames to the video sender; the end of the call goes back
// to the configured values), keeps the latest remote picture, and reports what happens as
// core events:
//   video_capture state=0|1 device=        the camera stopped or runs (after each start)
//   video_start frame_rate= size_index=    a call's media opened: the camera serves the call
//   video_stop                             the call's media closed
//   video_frame count= width= height= tick= [pattern=] slot= source=   a decoded remote picture: the
//        first of a call, then those whose test-pattern number is a multiple of 16 (every
//        16th without a pattern); tick: the millisecond tick of decoding
//   video_captured pattern= tick=          a local test-pattern frame numbered a multiple of
//        16 was handed on (tick: when), so two ends can measure the delay between them
// It lives on the core's thread, which must run its message loop.
#pragma once

#include "client/core/client_core.h"
#include "client/video/capture/video_source.h"
#include "platform/message.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv {

class CVideoCtlThread;

struct VideoStats {
    std::uint64_t captured = 0; // local frames passed to the windows and the sender
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    std::uint64_t decoded = 0;
    std::uint64_t dropped = 0;
};

// The latest remote picture: bottom-up RGB24 rows padded to 4 bytes.
struct RemotePicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;
};

class VideoCore {
public:
    // core must have started (its configuration and user-server handler exist).
    explicit VideoCore(ClientCore& core);
    // Detaches from the calls, then ends the camera thread (at most 5 s).
    ~VideoCore();
    VideoCore(const VideoCore&) = delete;
    VideoCore& operator=(const VideoCore&) = delete;

    // Starts the camera with the configured values (as at start-up).
    void StartFromConfiguration();
    // Pauses or resumes the pictures sent to the peer (the local picture goes on).
    void SetSendingPaused(bool paused);
    // A window of this thread that also gets every camera frame (WM_USER+6, wParam = const
    // VideoFrame*, sent) and every decoded remote picture (WM_USER+7, lParam = the
    // VideoFrameSlot, sent); 0 for none. The desktop's picture display.
    void SetDisplayWindow(HWND window) { m_display = window; }

    VideoStats Stats() const;
    // False when no remote picture has been decoded yet.
    bool LatestRemotePicture(RemotePicture* picture) const;
    CVideoCtlThread& Control() { return *m_control; }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnLocalFrame(const VideoFrame& frame);
    void OnRemoteFrame(WPARAM slotNumber, LPARAM slot);

    ClientCore& m_core;
    std::unique_ptr<FunctionWindow> m_window;
    std::unique_ptr<CVideoCtlThread> m_control;
    HWND m_display = 0;
    std::uint64_t m_captured = 0;
    std::uint64_t m_callFrames = 0; // decoded in the present call
    mutable std::mutex m_pictureLock;
    RemotePicture m_remote;
};

// Writes a picture as a binary PPM file (P6, top-down RGB). False when it cannot be written.
bool WritePpmFile(const std::string& path, const RemotePicture& picture);

} // namespace orv
