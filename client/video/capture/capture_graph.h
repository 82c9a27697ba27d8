// The camera in use and the path of its frames into the render filter. Owned and driven by
// the video control thread: select a device, set the format, build, start, stop. Every
// operation answers true for success; a failure leaves its reason in LastError(). Not for
// the thread that owns the render filter's windows (stopping waits for the camera thread,
// which may be waiting for those windows).
#pragma once

#include "client/video/capture/raw_data_render_filter.h"
#include "client/video/capture/video_source.h"

#include <memory>
#include <string>

namespace orv {

class CaptureGraph {
  public:
    explicit CaptureGraph(RawDataRenderFilter& renderer);
    ~CaptureGraph(); // stops capture

    // Chooses the camera a device name means ("file:..." as itself, a listed name, else the
    // first device offered). false with no device at all. Choosing the device in use keeps it.
    bool SelectDevice(const std::string& deviceName);
    // Size and rate to capture with; the renderer is told the frame size and target rate.
    // A running camera is reopened with the new format.
    bool SetFormat(double frameRate, int width, int height);
    // Opens the chosen camera with the stored format (true when already built).
    bool BuildCaptureGraph();
    bool StartCapture(); // true when running (also when it already ran)
    bool StopCapture();  // false when it was not running
    bool IsRunning() const;

    const std::string& DeviceName() const { return m_deviceName; }
    const std::string& LastError() const { return m_lastError; }

  private:
    bool Fail(const std::string& text);

    RawDataRenderFilter& m_renderer;
    std::string m_deviceName; // the chosen device, "" = none
    VideoFormat m_format{160, 120, 15.0};
    std::unique_ptr<VideoSource> m_source;
    bool m_running = false;
    std::string m_lastError;
};

} // namespace orv
