#include "client/video/control/video_ctl_thread.h"

#include "client/data/client_config.h"
#include "client/log/log.h"
#include "client/video/capture/capture_graph.h"
#include "client/video/capture/video_size_table.h"
#include "platform/message.h"
#include "platform/tick.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace orv {

namespace {

constexpr std::uint32_t kQuitWaitMs = 5000;

std::atomic<bool> g_videoCapturing{false};

void FreeSink(const MSG& msg) {
    if (msg.message == kVideoCtlSetSink) delete reinterpret_cast<VideoFrameSink*>(msg.lParam);
}

} // namespace

bool VideoCapturing() { return g_videoCapturing.load(); }

VideoCaptureSettings CaptureSettingsOf(ClientConfig* config) {
    VideoCaptureSettings settings;
    if (config == nullptr) return settings;
    settings.deviceCount = config->ImagingDeviceCount();
    settings.videoQuality = config->Video().videoQual;
    settings.frameRate = config->Video().frameRate;
    settings.sizeIndex = config->Video().videoFormat;
    settings.device = config->Video().device;
    return settings;
}

CVideoCtlThread::CVideoCtlThread(VideoCaptureSettingsSource settings, std::function<std::uint32_t()> tick)
    : m_settings(std::move(settings)), m_tick(std::move(tick)) {
    if (!m_tick) m_tick = [] { return GetTickCount(); };
    Start();
}

CVideoCtlThread::~CVideoCtlThread() { Quit(); }

VideoCaptureSettings CVideoCtlThread::Settings() const { return m_settings ? m_settings() : CaptureSettingsOf(TheConfig()); }

void CVideoCtlThread::SetRequestedFrameRate(double frameRate) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_requested.frameRate = frameRate;
}

void CVideoCtlThread::SetRequestedSizeIndex(int sizeIndex) {
    const VideoSize size = VideoSizeForIndex(sizeIndex);
    std::lock_guard<CriticalSection> hold(m_lock);
    m_requested.width = size.width;
    m_requested.height = size.height;
}

void CVideoCtlThread::SetRequestedDevice(const std::string& device) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_requested.device = device;
}

void CVideoCtlThread::SetNotifyWindow(HWND window) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_notifyWindow = window;
}

void CVideoCtlThread::StartFromConfiguration() {
    const VideoCaptureSettings settings = Settings();
    SetRequestedFrameRate(settings.frameRate);
    SetRequestedSizeIndex(settings.sizeIndex);
    SetRequestedDevice(settings.device);
    PostStart();
}

void CVideoCtlThread::PostSink(VideoFrameSink sink) {
    auto* block = sink ? new VideoFrameSink(std::move(sink)) : nullptr;
    if (!PostThreadMessage(kVideoCtlSetSink, 0, reinterpret_cast<LPARAM>(block))) delete block;
}

void CVideoCtlThread::Quit() {
    if (m_quitDone) return;
    m_quitDone = true;
    PostThreadMessage(WM_QUIT, 0, 0);
    // While the thread detaches the windows, a frame may be on its way to a window of this
    // thread; serving sent messages lets that delivery finish.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kQuitWaitMs);
    while (IsRunning() && std::chrono::steady_clock::now() < deadline) {
        MSG msg;
        PeekMessage(&msg, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // A thread that overstays still uses this object: it is waited for, never cut loose.
    if (IsRunning()) WriteLog(3, "VideoCtlThread did not end in %u ms", kQuitWaitMs);
    Join();
}

std::string CVideoCtlThread::CurrentDevice() {
    std::lock_guard<CriticalSection> hold(m_lock);
    return m_current.device;
}

bool CVideoCtlThread::InitInstance() {
    m_renderer = std::make_unique<RawDataRenderFilter>(m_tick);
    m_graph = std::make_unique<CaptureGraph>(*m_renderer);
    return true;
}

int CVideoCtlThread::Run() {
    MSG msg;
    while (GetMessage(&msg)) OnMessage(msg);
    // A sink posted after the quit still owns its heap block.
    while (PeekMessage(&msg, true)) FreeSink(msg);
    return 0;
}

int CVideoCtlThread::ExitInstance() {
    if (m_renderer) {
        m_renderer->SetLocalWindow(0);
        m_renderer->SetSink({});
        m_renderer->SetSecondWindow(0);
    }
    if (m_graph) m_graph->StopCapture();
    m_graph.reset();
    m_renderer.reset();
    g_videoCapturing.store(false);
    return 0;
}

void CVideoCtlThread::OnMessage(const MSG& msg) {
    switch (msg.message) {
    case kVideoCtlStart: OnStart(); break;
    case kVideoCtlStop: OnStop(); break;
    case kVideoCtlSetLocalWindow: m_renderer->SetLocalWindow(static_cast<HWND>(msg.wParam)); break;
    case kVideoCtlSetSecondWindow: m_renderer->SetSecondWindow(static_cast<HWND>(msg.wParam)); break;
    case kVideoCtlSetSendingPaused: m_renderer->SetSendingPaused(msg.wParam != 0); break;
    case kVideoCtlSetSink: {
        std::unique_ptr<VideoFrameSink> sink(reinterpret_cast<VideoFrameSink*>(msg.lParam));
        m_renderer->SetSink(sink ? std::move(*sink) : VideoFrameSink{});
        break;
    }
    default: break;
    }
}

void CVideoCtlThread::CaptureOff() {
    m_graph->StopCapture();
    // Capture is off now: a later start with the same values must start it again.
    std::lock_guard<CriticalSection> hold(m_lock);
    m_current = CaptureValues{};
}

void CVideoCtlThread::OnStart() {
    const VideoCaptureSettings settings = Settings();
    CaptureValues requested;
    {
        std::lock_guard<CriticalSection> hold(m_lock);
        requested = m_requested;
        if (settings.deviceCount > 0 && !m_current.device.empty() &&
            static_cast<int>(requested.frameRate) == static_cast<int>(m_current.frameRate) &&
            requested.width == m_current.width && requested.height == m_current.height &&
            requested.device == m_current.device) {
            return; // already capturing just that: no change, no notice
        }
    }
    if (settings.deviceCount <= 0) {
        CaptureOff();
        Notify(false);
        return;
    }
    CaptureOff();
    if (settings.videoQuality == 0) {
        Notify(false);
        return;
    }
    const bool started = m_graph->SelectDevice(requested.device) &&
                         m_graph->SetFormat(requested.frameRate, requested.width, requested.height) &&
                         m_graph->BuildCaptureGraph() && m_graph->StartCapture();
    if (!started) {
        WriteLog(3, "VideoCtlThread: capture did not start: %s", m_graph->LastError().c_str());
        Notify(false);
        return;
    }
    {
        std::lock_guard<CriticalSection> hold(m_lock);
        m_current = requested;
    }
    Notify(true);
}

void CVideoCtlThread::OnStop() {
    CaptureOff();
    Notify(false);
}

void CVideoCtlThread::Notify(bool capturing) {
    g_videoCapturing.store(capturing);
    HWND window = 0;
    {
        std::lock_guard<CriticalSection> hold(m_lock);
        window = m_notifyWindow;
    }
    if (window != 0) PostMessage(window, kVideoCaptureNotice, capturing ? 1 : 0, 0);
}

} // namespace orv
