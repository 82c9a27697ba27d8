#include "client/video/capture/capture_graph.h"

#include "client/video/capture/video_device_choice.h"

namespace orv {

CaptureGraph::CaptureGraph(RawDataRenderFilter& renderer) : m_renderer(renderer) {}

CaptureGraph::~CaptureGraph() {
    StopCapture();
}

bool CaptureGraph::Fail(const std::string& text) {
    m_lastError = text;
    return false;
}

bool CaptureGraph::SelectDevice(const std::string& deviceName) {
    const auto device = ChooseVideoDevice(deviceName, EnumerateVideoDevices());
    if (!device) return Fail("No video capture device");
    if (device->name == m_deviceName) return true;
    StopCapture();
    m_source.reset();
    m_deviceName = device->name;
    return true;
}

bool CaptureGraph::SetFormat(double frameRate, int width, int height) {
    if (m_deviceName.empty()) return Fail("No video capture device chosen");
    if (width < 1 || height < 1 || !(frameRate > 0)) return Fail("Cannot set this video format");
    const VideoFormat wanted{width, height, frameRate};
    const bool wasBuilt = m_source != nullptr;
    const bool wasRunning = m_running;
    if (wasBuilt && (wanted.width != m_format.width || wanted.height != m_format.height ||
                     wanted.frameRate != m_format.frameRate)) {
        StopCapture();
        m_source.reset(); // a camera's format is fixed while it is open: reopen with the new one
    }
    m_format = wanted;
    m_renderer.SetFrameFormat(width, height);
    m_renderer.SetTargetRate(frameRate);
    if (wasBuilt && !BuildCaptureGraph()) return false;
    return !wasRunning || StartCapture();
}

bool CaptureGraph::BuildCaptureGraph() {
    if (m_source) return true;
    if (m_deviceName.empty()) return Fail("No video capture device chosen");
    std::string error;
    m_source = OpenVideoSource(m_deviceName, m_format, error);
    if (!m_source) return Fail("Cannot render video capture stream: " + error);
    return true;
}

bool CaptureGraph::StartCapture() {
    if (m_running) return true;
    if (!m_source) return Fail("Video capture graph not built");
    if (!m_source->Start([this](const VideoFrame& frame) { m_renderer.Receive(frame); })) {
        return Fail("Cannot start graph: " + m_source->LastError());
    }
    m_running = true;
    return true;
}

bool CaptureGraph::StopCapture() {
    if (!m_running) return false;
    m_source->Stop();
    m_running = false;
    return true;
}

bool CaptureGraph::IsRunning() const {
    return m_running;
}

} // namespace orv
