// CVideoCtlThread: the thread that owns the camera (capture graph) and the render filter,
// and starts, restarts and stops capture on request, always on its own thread. Other
// threads only set the requested values and post its messages; after every start or stop
// the notify window gets WM_USER+22 with wParam 1 (capturing) or 0 (not capturing).
#pragma once

#include "client/video/capture/raw_data_render_filter.h"
#include "platform/thread.h"
#include "platform/types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv {

class CaptureGraph;

// Thread messages (PostThreadMessage).
constexpr UINT kVideoCtlStart = WM_USER + 1;            // start or restart with the requested values
constexpr UINT kVideoCtlStop = WM_USER + 2;             // stop, then notify 0
constexpr UINT kVideoCtlSetLocalWindow = WM_USER + 3;   // wParam: window or 0
constexpr UINT kVideoCtlSetSink = WM_USER + 4;          // lParam: heap VideoFrameSink, or 0
constexpr UINT kVideoCtlSetSecondWindow = WM_USER + 5;  // wParam: window or 0
constexpr UINT kVideoCtlSetSendingPaused = WM_USER + 6; // wParam: 0 or 1
// Posted to the notify window after each start or stop; wParam 1 = capture runs.
constexpr UINT kVideoCaptureNotice = WM_USER + 22;

// The configured values capture depends on, read when a start is handled.
struct VideoCaptureSettings {
    int deviceCount = 0;  // video devices the configuration knows
    int videoQuality = 0; // quality preset; 0 is the "Disable" entry
    int frameRate = 10;
    int sizeIndex = 1;
    std::string device;
};
using VideoCaptureSettingsSource = std::function<VideoCaptureSettings()>;
class ClientConfig;
// The values from a configuration (all zero without one).
VideoCaptureSettings CaptureSettingsOf(ClientConfig* config);

// The application's video-capturing flag: set while capture runs with what was asked.
bool VideoCapturing();

class CVideoCtlThread final : public WorkerThread {
public:
    // settings: the configuration (default: the process-wide one, TheConfig()). tick: the millisecond
    // tick the render filter's rate limiter measures with (default: the system tick).
    explicit CVideoCtlThread(VideoCaptureSettingsSource settings = {}, std::function<std::uint32_t()> tick = {});
    // Quits (see Quit) if the owner did not.
    ~CVideoCtlThread() override;

    // Direct setters, from any thread, before a start is posted.
    void SetRequestedFrameRate(double frameRate);
    void SetRequestedSizeIndex(int sizeIndex);
    void SetRequestedDevice(const std::string& device);
    void SetNotifyWindow(HWND window);

    // Requested values from the configuration, then a start.
    void StartFromConfiguration();
    void PostStart() { PostThreadMessage(kVideoCtlStart, 0, 0); }
    void PostStop() { PostThreadMessage(kVideoCtlStop, 0, 0); }
    void PostLocalWindow(HWND window) { PostThreadMessage(kVideoCtlSetLocalWindow, window, 0); }
    void PostSecondWindow(HWND window) { PostThreadMessage(kVideoCtlSetSecondWindow, window, 0); }
    void PostSendingPaused(bool paused) { PostThreadMessage(kVideoCtlSetSendingPaused, paused ? 1 : 0, 0); }
    // An empty sink detaches the sender.
    void PostSink(VideoFrameSink sink);

    // Ends the thread: waits 5000 ms for it, serving messages sent to the calling thread's
    // windows meanwhile (a frame may be on its way to one of them), logs a thread that
    // overstays and then waits for it to end.
    void Quit();

    // The device capture runs with ("" when off); capture thread's view, for tests and logs.
    std::string CurrentDevice();

protected:
    bool InitInstance() override;
    int Run() override;
    int ExitInstance() override;

private:
    struct CaptureValues {
        double frameRate = 0;
        int width = 0;
        int height = 0;
        std::string device;
    };
    void OnMessage(const MSG& msg);
    void OnStart();
    void OnStop();
    void CaptureOff(); // stops capture; the device in use becomes ""
    void Notify(bool capturing);
    VideoCaptureSettings Settings() const;

    VideoCaptureSettingsSource m_settings;
    std::function<std::uint32_t()> m_tick;
    CriticalSection m_lock; // requested values, notify window, current device
    CaptureValues m_requested;
    CaptureValues m_current;
    HWND m_notifyWindow = 0;
    // Thread-owned between InitInstance and ExitInstance.
    std::unique_ptr<RawDataRenderFilter> m_renderer;
    std::unique_ptr<CaptureGraph> m_graph;
    bool m_quitDone = false;
};

} // namespace orv
