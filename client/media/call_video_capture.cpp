#include "client/media/call_video_capture.h"

#include <mutex>

namespace orv {

namespace {

// Held while an entry runs, so that removing the entries waits for a call in flight and the
// camera they post to cannot be gone under it. The entries only post; they never install.
std::mutex g_lock;
CallVideoCapture g_capture;

} // namespace

void InstallCallVideoCapture(CallVideoCapture capture) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_capture = std::move(capture);
}

void StartCallVideoCapture(double frameRate, int sizeIndex, CDataSendThread& sender) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_capture.startForCall) g_capture.startForCall(frameRate, sizeIndex, sender);
}

void EndCallVideoCapture() {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_capture.endCall) g_capture.endCall();
}

VideoFrameCounters& TheVideoFrameCounters() {
    static VideoFrameCounters counters;
    return counters;
}

} // namespace orv
