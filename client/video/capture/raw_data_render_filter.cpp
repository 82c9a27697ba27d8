#include "client/video/capture/raw_data_render_filter.h"

#include "client/log/log.h"
#include "client/video/capture/frame_rate_limiter.h"
#include "platform/message.h"
#include "platform/tick.h"

#include <atomic>
#include <utility>

namespace orv {

namespace {
std::atomic<bool> g_firstFrameLogged{false};
} // namespace

RawDataRenderFilter::RawDataRenderFilter(std::function<std::uint32_t()> tick)
    : m_tick(tick ? std::move(tick) : std::function<std::uint32_t()>(GetTickCount)) {}

void RawDataRenderFilter::SetLocalWindow(HWND window) {
    std::lock_guard lock(m_frameLock);
    m_localWindow = window;
}

void RawDataRenderFilter::SetSecondWindow(HWND window) {
    std::lock_guard lock(m_frameLock);
    m_secondWindow = window;
}

void RawDataRenderFilter::SetSink(VideoFrameSink sink) {
    std::lock_guard lock(m_frameLock);
    m_sink = std::move(sink);
}

void RawDataRenderFilter::SetSendingPaused(bool paused) {
    std::lock_guard lock(m_frameLock);
    m_sendingPaused = paused;
}

bool RawDataRenderFilter::SendingPaused() const {
    std::lock_guard lock(m_frameLock);
    return m_sendingPaused;
}

void RawDataRenderFilter::SetFrameFormat(int width, int height) {
    std::lock_guard lock(m_frameLock);
    m_width = width;
    m_height = height;
}

void RawDataRenderFilter::SetTargetRate(double frameRate) {
    std::lock_guard lock(m_frameLock);
    m_targetRate = frameRate <= 0       ? 0
                   : frameRate >= 65535 ? 65535
                                        : static_cast<std::uint16_t>(frameRate);
}

bool RawDataRenderFilter::Receive(const VideoFrame& frame) {
    std::lock_guard lock(m_frameLock);
    if (frame.bits == nullptr || frame.width != m_width || frame.height != m_height ||
        frame.length < Rgb24ImageSize(m_width, m_height)) {
        return false;
    }
    if (!FrameRateLimiterPass(m_targetRate, m_tick())) return false;
    if (!g_firstFrameLogged.exchange(true)) WriteLog(3, "Video Capture Receive");

    const auto wParam = reinterpret_cast<WPARAM>(&frame);
    const auto lParam = reinterpret_cast<LPARAM>(frame.bits);
    if (m_localWindow != 0) SendMessage(m_localWindow, kLocalVideoFrameMessage, wParam, lParam);
    if (m_secondWindow != 0) SendMessage(m_secondWindow, kSecondVideoFrameMessage, wParam, lParam);
    if (m_sink && !m_sendingPaused) m_sink(frame);
    return true;
}

} // namespace orv
