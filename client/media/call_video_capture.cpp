#include "client/media/call_video_capture.h"

#include <mutex>

namespace orv {

namespace {

std::mutex g_lock;
CallVideoCapture g_capture;

CallVideoCapture Installed() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_capture;
}

} // namespace

void InstallCallVideoCapture(CallVideoCapture capture) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_capture = std::move(capture);
}

void StartCallVideoCapture(double frameRate, int sizeIndex, CDataSendThread& sender) {
    const CallVideoCapture capture = Installed();
    if (capture.startForCall) capture.startForCall(frameRate, sizeIndex, sender);
}

void EndCallVideoCapture() {
    const CallVideoCapture capture = Installed();
    if (capture.endCall) capture.endCall();
}

VideoFrameCounters& TheVideoFrameCounters() {
    static VideoFrameCounters counters;
    return counters;
}

} // namespace orv
