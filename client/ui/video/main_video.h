// The main window's video: the video window it owns, opened by the video button and docked
// beside the main window; the call's video start and stop; pausing what we send (the peer
// is told, its picture of us shows the pause icon); the peer's pause; the video options.
#pragma once

#include "client/ui/video/video_window.h"
#include "platform/types.h"

#include <functional>
#include <memory>
#include <string>

namespace orv {

class ClientConfig;
class CVideoCtlThread;
class TextTable;
struct CoreEvent;

struct MainVideoServices {
    // Makes the display window the one that gets the camera's frames and the decoded
    // remote pictures (0: none).
    std::function<void(HWND display)> attachDisplay;
    // The renderer's sending-paused flag.
    std::function<void(bool paused)> setSendingPaused;
    // Tells the peer of the call that our video pauses or resumes.
    std::function<void(bool paused)> tellPeerPaused;
    // The camera thread, for the video test; may be null.
    CVideoCtlThread* control = nullptr;
    // The configuration the video options change; may be null (no options).
    ClientConfig* config = nullptr;
};

class MainVideo {
public:
    MainVideo(QWidget& main, const TextTable& texts, const std::string& home, MainVideoServices services);
    ~MainVideo();

    VideoWindow& Window() { return *window_; }
    // Shows the video window beside the main window (the first time) and raises it.
    void Show();
    // The core's events: "video_start" / "video_stop" turn the call's video on and off,
    // "video_capture" shows the camera's picture or the background, call progress 24
    // carries the peer's pause, the end of a call resets the window.
    void OnCoreEvent(const CoreEvent& event);
    // The video options as a dialog; applying them restarts the camera with the new values.
    void OpenOptions(QWidget* parent);

private:
    void SetSendingPaused(bool paused);

    QWidget& main_;
    const TextTable& texts_;
    MainVideoServices services_;
    std::unique_ptr<VideoWindow> window_;
    bool docked_ = false;
    bool inCall_ = false;
};

} // namespace orv
