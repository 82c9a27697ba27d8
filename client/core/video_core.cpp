#include "client/core/video_core.h"

#include "client/data/client_config.h"
#include "client/media/bitmap_info_header.h"
#include "client/media/call_video_capture.h"
#include "client/media/data_send_thread.h"
#include "client/media/video_codec_install.h"
#include "client/media/video_frame_slot.h"
#include "client/media/video_receiver.h"
#include "client/userserver/user_serv_handler.h"
#include "client/video/capture/test_pattern_camera.h"
#include "client/video/control/video_ctl_thread.h"
#include "platform/tick.h"

#include <cstdio>
#include <cstring>
#include <optional>

namespace orv {

namespace {

constexpr UINT kCallVideoStarted = WM_USER + 30; // wParam: frame rate, lParam: size index
constexpr UINT kCallVideoEnded = WM_USER + 31;
constexpr std::uint64_t kFrameEventEvery = 16;

// The raw picture as the video sender takes it.
void HandToSender(CDataSendThread& sender, const VideoFrame& frame) {
    BitmapInfoHeader raw;
    raw.biWidth = frame.width;
    raw.biHeight = frame.height;
    raw.biBitCount = 24;
    raw.biSizeImage = static_cast<std::uint32_t>(frame.length);
    sender.VideoFrameSink(raw, frame.bits, frame.length);
}

} // namespace

VideoCore::VideoCore(ClientCore& core) : m_core(core) {
    InstallVideoCodecs();
    m_window = std::make_unique<FunctionWindow>(
        [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); });
    const HWND window = m_window->Create("VideoCore");
    ClientConfig* config = m_core.Config();
    m_control = std::make_unique<CVideoCtlThread>([config] { return CaptureSettingsOf(config); });
    m_control->SetNotifyWindow(window);
    m_control->PostLocalWindow(window);
    if (CUserServHandler* userServ = m_core.UserServ()) {
        userServ->SetVideoContext(window, config != nullptr && config->Video().videoQual != 0);
    }
    CVideoCtlThread* control = m_control.get();
    InstallCallVideoCapture(
        {[control, window](double frameRate, int sizeIndex, CDataSendThread& sender) {
             control->SetRequestedFrameRate(frameRate);
             control->SetRequestedSizeIndex(sizeIndex);
             control->PostStart();
             CDataSendThread* to = &sender; // process-wide: outlives this core's camera thread
             control->PostSink([to](const VideoFrame& frame) { HandToSender(*to, frame); });
             PostMessage(window, kCallVideoStarted, static_cast<WPARAM>(frameRate), sizeIndex);
         },
         [control, window] {
             control->PostSink({});
             control->StartFromConfiguration();
             PostMessage(window, kCallVideoEnded, 0, 0);
         }});
}

VideoCore::~VideoCore() {
    InstallCallVideoCapture({});
    if (CUserServHandler* userServ = m_core.UserServ()) userServ->SetVideoContext(0, false);
    m_control->Quit();
    m_window->Destroy();
}

void VideoCore::StartFromConfiguration() { m_control->StartFromConfiguration(); }

void VideoCore::SetSendingPaused(bool paused) { m_control->PostSendingPaused(paused); }

VideoStats VideoCore::Stats() const {
    const VideoFrameCounters& counters = TheVideoFrameCounters();
    VideoStats stats;
    stats.captured = m_captured;
    stats.sent = counters.sent.load();
    stats.received = counters.received.load();
    stats.decoded = counters.decoded.load();
    stats.dropped = counters.dropped.load();
    return stats;
}

bool VideoCore::LatestRemotePicture(RemotePicture* picture) const {
    std::lock_guard<std::mutex> hold(m_pictureLock);
    if (m_remote.bits.empty()) return false;
    *picture = m_remote;
    return true;
}

LRESULT VideoCore::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kVideoCaptureNotice: {
        std::string device = m_control->CurrentDevice();
        m_core.Emit({"video_capture", {{"state", wParam != 0 ? "1" : "0"}, {"device", device}}, "", ""});
        if (CUserServHandler* userServ = m_core.UserServ()) {
            userServ->SetVideoContext(m_window->GetSafeHwnd(), wParam != 0);
        }
        break;
    }
    case kLocalVideoFrameMessage:
        if (wParam != 0) OnLocalFrame(*reinterpret_cast<const VideoFrame*>(wParam));
        if (m_display != 0) SendMessage(m_display, message, wParam, lParam);
        break;
    case WM_VIDEO_FRAME:
        OnRemoteFrame(wParam, lParam);
        if (m_display != 0) SendMessage(m_display, message, wParam, lParam);
        break;
    case kCallVideoStarted:
        m_callFrames = 0;
        m_core.Emit({"video_start", {{"frame_rate", std::to_string(wParam)}, {"size_index", std::to_string(lParam)}},
                     "", ""});
        break;
    case kCallVideoEnded: m_core.Emit({"video_stop", {}, "", ""}); break;
    default: break;
    }
    return 0;
}

void VideoCore::OnLocalFrame(const VideoFrame& frame) {
    ++m_captured;
    const std::optional<std::uint16_t> pattern = ReadTestPatternFrameNumber(frame);
    if (pattern && *pattern % kFrameEventEvery == 0) {
        m_core.Emit({"video_captured", {{"pattern", std::to_string(*pattern)}, {"tick", std::to_string(GetTickCount())}},
                     "", ""});
    }
}

void VideoCore::OnRemoteFrame(WPARAM slotNumber, LPARAM slotPointer) {
    auto* slot = reinterpret_cast<VideoFrameSlot*>(slotPointer);
    if (slot == nullptr) return;
    const std::uint32_t tick = GetTickCount();
    int width = 0, height = 0;
    std::optional<std::uint16_t> pattern;
    {
        // The picture goes straight into the kept one, whose buffer serves frame after frame.
        std::lock_guard<std::mutex> hold(m_pictureLock);
        slot->Lock();
        const BitmapInfoHeader& header = slot->Header();
        const std::size_t size = Rgb24ImageSize(header.biWidth, header.biHeight);
        const bool usable = header.biBitCount == 24 && header.biWidth > 0 && header.biHeight > 0 &&
                            header.biWidth <= 4096 && header.biHeight <= 4096 && size <= slot->BufferSize();
        if (usable) {
            m_remote.width = width = header.biWidth;
            m_remote.height = height = header.biHeight;
            m_remote.bits.assign(slot->Buffer(), slot->Buffer() + size);
        }
        slot->Unlock();
        if (!usable) return;
        VideoFrame frame;
        frame.width = width;
        frame.height = height;
        frame.bits = m_remote.bits.data();
        frame.length = m_remote.bits.size();
        pattern = ReadTestPatternFrameNumber(frame);
    }
    ++m_callFrames;
    const bool report = m_callFrames == 1 || (pattern ? *pattern % kFrameEventEvery == 0
                                                      : m_callFrames % kFrameEventEvery == 0);
    if (report) {
        std::vector<std::pair<std::string, std::string>> fields = {
            {"count", std::to_string(m_callFrames)}, {"width", std::to_string(width)},
            {"height", std::to_string(height)}, {"tick", std::to_string(tick)}};
        if (pattern) fields.emplace_back("pattern", std::to_string(*pattern));
        // Which picture slot and which sender: a conference shows several.
        fields.emplace_back("slot", std::to_string(slotNumber));
        fields.emplace_back("source", std::to_string(slot->Ssrc()));
        m_core.Emit({"video_frame", std::move(fields), "", ""});
    }
}

bool WritePpmFile(const std::string& path, const RemotePicture& picture) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.bits.size() < Rgb24ImageSize(picture.width, picture.height)) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fprintf(file, "P6\n%d %d\n255\n", picture.width, picture.height) > 0;
    const std::size_t stride = Rgb24Stride(picture.width);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(picture.width) * 3);
    for (int y = picture.height - 1; ok && y >= 0; --y) { // bottom-up rows, BGR
        const std::uint8_t* source = picture.bits.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < picture.width; ++x) {
            row[x * 3] = source[x * 3 + 2];
            row[x * 3 + 1] = source[x * 3 + 1];
            row[x * 3 + 2] = source[x * 3];
        }
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
}

} // namespace orv
