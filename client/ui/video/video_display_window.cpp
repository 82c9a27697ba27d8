#include "client/ui/video/video_display_window.h"

#include "client/ui/video/close_keys.h"
#include "client/media/video_frame_slot.h"
#include "client/video/capture/video_source.h"
#include "platform/message.h"

#include <QPainter>

namespace orv {

VideoDisplayWindow::VideoDisplayWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("VideoDisplayWindow"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    blink_.setInterval(kBlinkMs);
    connect(&blink_, &QTimer::timeout, this, [this] { Blink(); });
    frameWindow_ = CreatePictureFrameWindow(
        "VideoDisplayWindow",
        [this](const BitmapInfoHeader& header, const std::uint8_t* bits, std::size_t length) {
            ShowLocalFrame(header, bits, length);
        },
        [this](VideoFrameSlot* slot) { ShowRemoteSlot(slot); });
}

std::unique_ptr<FunctionWindow> CreatePictureFrameWindow(
    const char* name, std::function<void(const BitmapInfoHeader&, const std::uint8_t*, std::size_t)> local,
    std::function<void(VideoFrameSlot*)> remote) {
    auto window = std::make_unique<FunctionWindow>(
        [local = std::move(local), remote = std::move(remote)](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_VIDEO_LOCAL_FRAME && wParam != 0) {
                const auto* frame = reinterpret_cast<const VideoFrame*>(wParam);
                local(Rgb24Header(frame->width, frame->height), frame->bits, frame->length);
                return 1;
            }
            if (message == WM_VIDEO_REMOTE_FRAME && lParam != 0) {
                remote(reinterpret_cast<VideoFrameSlot*>(lParam));
                return 1;
            }
            return 0;
        });
    window->Create(name);
    return window;
}

VideoDisplayWindow::~VideoDisplayWindow() { frameWindow_->Destroy(); }

HWND VideoDisplayWindow::FrameWindow() const { return frameWindow_->GetSafeHwnd(); }

void VideoDisplayWindow::SetLooks(const VideoDisplayLooks& looks) {
    looks_ = looks;
    looks_.pauseIcon = WithoutMaskColour(looks.pauseIcon, looks.pauseMask);
    Repaint(BothParts);
}

void VideoDisplayWindow::ShowLocalFrame(const BitmapInfoHeader& header, const std::uint8_t* bits,
                                        std::size_t available) {
    if (!localEnabled_ || bits == nullptr || !IsDrawableRgb24(header, available)) return;
    const std::size_t bytes = Rgb24ImageBytes(header);
    // The buffer only grows: a camera sends one size for a long time.
    if (local_.bits.size() < bytes) local_.bits.resize(bytes);
    local_.header = header;
    local_.header.biSizeImage = static_cast<std::uint32_t>(bytes);
    std::copy(bits, bits + bytes, local_.bits.begin());
    Repaint(LocalPart);
}

void VideoDisplayWindow::ShowRemoteSlot(VideoFrameSlot* slot) {
    remote_ = slot;
    Repaint(RemotePart);
}

void VideoDisplayWindow::SetLayout(bool smallOpen, bool localBig) {
    smallOpen_ = smallOpen;
    localBig_ = localBig;
    Repaint(BothParts);
}

void VideoDisplayWindow::ClearRemote() {
    remote_ = nullptr;
    Repaint(BothParts);
}

void VideoDisplayWindow::EnableLocal(bool enabled) {
    localEnabled_ = enabled;
    if (!enabled) local_ = VideoPicture();
    Repaint(BothParts);
}

void VideoDisplayWindow::SetPauseIcon(bool on) {
    pauseOn_ = on;
    pauseVisible_ = true;
    if (on && !blink_.isActive()) blink_.start();
    if (!on) blink_.stop();
    Repaint(RemotePart);
}

void VideoDisplayWindow::Blink() {
    Repaint(RemotePart);
    pauseVisible_ = !pauseVisible_;
}

QRect VideoDisplayWindow::SmallRect() const {
    const int left = width() * 3 / 5;
    const int top = height() * 3 / 5;
    return QRect(left, top, width() - left, height() - top);
}

VideoDisplayWindow::Snapshot VideoDisplayWindow::TakeSnapshot() const {
    Snapshot shot;
    shot.local = localBig_;
    if (localBig_) {
        shot.picture = CopyPicture(local_.header, local_.bits.data(), local_.bits.size());
    } else if (remote_ != nullptr) {
        remote_->Lock();
        shot.picture = CopyPicture(remote_->Header(), remote_->Buffer(), remote_->BufferSize());
        remote_->Unlock();
    }
    return shot;
}

void VideoDisplayWindow::Repaint(int parts) {
    const bool bigPart = (parts & (localBig_ ? LocalPart : RemotePart)) != 0;
    if (bigPart) {
        update();
    } else if (smallOpen_) {
        update(SmallRect());
    }
}

bool VideoDisplayWindow::DrawLocal(QPainter& painter, const QRect& target) const {
    return DrawPicture(painter, target, local_.header, local_.bits.data(), local_.bits.size());
}

bool VideoDisplayWindow::DrawRemote(QPainter& painter, const QRect& target) const {
    if (remote_ == nullptr) return false;
    remote_->Lock();
    const bool drawn = DrawPicture(painter, target, remote_->Header(), remote_->Buffer(), remote_->BufferSize());
    remote_->Unlock();
    return drawn;
}

void VideoDisplayWindow::DrawPauseIcon(QPainter& painter, const QPoint& origin) const {
    if (pauseOn_ && pauseVisible_ && !looks_.pauseIcon.isNull())
        painter.drawImage(origin + looks_.pauseOffset, looks_.pauseIcon);
}

void VideoDisplayWindow::FrameSmall(QPainter& painter) const {
    painter.setPen(kSmallFrame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(SmallRect().adjusted(0, 0, -1, -1));
}

void VideoDisplayWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect whole = rect();
    const QRect small = SmallRect();
    if (localBig_) {
        if (!localEnabled_) {
            painter.fillRect(whole, looks_.backColour);
            if (!looks_.background.isNull()) painter.drawImage(whole, looks_.background);
        } else if (!DrawLocal(painter, whole)) {
            painter.fillRect(whole, looks_.backColour); // no frame yet
        }
        if (smallOpen_) {
            if (!DrawRemote(painter, small)) painter.fillRect(small, kGrey);
            FrameSmall(painter);
            DrawPauseIcon(painter, small.topLeft());
        }
        return;
    }
    if (!DrawRemote(painter, whole)) painter.fillRect(whole, kGrey);
    DrawPauseIcon(painter, whole.topLeft());
    if (smallOpen_) {
        if (!DrawLocal(painter, small)) painter.fillRect(small, kGrey);
        FrameSmall(painter);
    }
}

void VideoDisplayWindow::keyPressEvent(QKeyEvent* event) {
    if (!SwallowCloseKey(event)) QWidget::keyPressEvent(event);
}

} // namespace orv
