#include "client/ui/conference/conference_panes.h"

#include "client/media/video_frame_slot.h"
#include "client/ui/video/video_display_window.h"
#include "client/video/capture/video_source.h"
#include "platform/message.h"

#include <QMouseEvent>
#include <QPainter>

namespace orv {

namespace {

const QColor kSelectedFrame{230, 180, 60};
const QColor kPaneFrame{70, 74, 78};

} // namespace

ConferencePanes::ConferencePanes(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ConferencePanes"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(kPaneWidth * 2, kPaneHeight * 2);
    frameWindow_ = CreatePictureFrameWindow(
        "ConferencePanes",
        [this](const BitmapInfoHeader& header, const std::uint8_t* bits, std::size_t length) {
            ShowLocalFrame(header, bits, length);
        },
        [this](VideoFrameSlot* slot) { ShowMemberSlot(slot); });
}

ConferencePanes::~ConferencePanes() { frameWindow_->Destroy(); }

HWND ConferencePanes::FrameWindow() const { return frameWindow_->GetSafeHwnd(); }

void ConferencePanes::SetBackground(const QImage& picture, const QColor& colour) {
    background_ = picture;
    backColour_ = colour;
    update();
}

void ConferencePanes::SetMember(int pane, std::uint32_t endpoint) {
    if (pane < 1 || pane >= kPanes || panes_[pane].endpoint == endpoint) return;
    panes_[pane] = Pane{endpoint, nullptr};
    update(PaneRect(pane));
}

std::uint32_t ConferencePanes::Member(int pane) const {
    return pane >= 1 && pane < kPanes ? panes_[pane].endpoint : 0;
}

void ConferencePanes::ShowLocalFrame(const BitmapInfoHeader& header, const std::uint8_t* bits, std::size_t available) {
    if (bits == nullptr || !IsDrawableRgb24(header, available)) return;
    const std::size_t bytes = Rgb24ImageBytes(header);
    if (local_.bits.size() < bytes) local_.bits.resize(bytes); // grows only
    local_.header = header;
    local_.header.biSizeImage = static_cast<std::uint32_t>(bytes);
    std::copy(bits, bits + bytes, local_.bits.begin());
    update(PaneRect(0));
}

bool ConferencePanes::ShowMemberSlot(VideoFrameSlot* slot) {
    if (slot == nullptr || slot->Index() < 0) return false;
    const std::uint32_t sender = slot->Ssrc();
    for (int pane = 1; pane < kPanes; ++pane) {
        if (sender == 0 || panes_[pane].endpoint != sender) continue;
        panes_[pane].slot = slot;
        update(PaneRect(pane));
        return true;
    }
    return false;
}

void ConferencePanes::Clear() {
    panes_ = {};
    local_ = VideoPicture();
    selected_ = zoomed_ = -1;
    update();
}

bool ConferencePanes::HasPicture(int pane) const {
    if (pane == 0) return !local_.Empty();
    return pane > 0 && pane < kPanes && panes_[pane].slot != nullptr;
}

QRect ConferencePanes::PaneRect(int pane) const {
    if (pane < 0 || pane >= kPanes) return {};
    if (zoomed_ >= 0) return pane == zoomed_ ? rect() : QRect();
    const int w = width() / 2;
    const int h = height() / 2;
    return QRect((pane % 2) * w, (pane / 2) * h, pane % 2 ? width() - w : w, pane / 2 ? height() - h : h);
}

int ConferencePanes::PaneAt(QPoint at) const {
    for (int pane = 0; pane < kPanes; ++pane) {
        if (PaneRect(pane).contains(at)) return pane;
    }
    return -1;
}

VideoPicture ConferencePanes::PanePicture(int pane) const {
    // The local copy's buffer only grows: the header says how much of it is the picture.
    if (pane == 0) return CopyPicture(local_.header, local_.bits.data(), local_.bits.size());
    if (!HasPicture(pane)) return {};
    VideoFrameSlot* slot = panes_[pane].slot;
    slot->Lock();
    VideoPicture picture = slot->Ssrc() == panes_[pane].endpoint
                               ? CopyPicture(slot->Header(), slot->Buffer(), slot->BufferSize())
                               : VideoPicture();
    slot->Unlock();
    return picture;
}

void ConferencePanes::DrawPane(QPainter& painter, int pane, const QRect& target) const {
    bool drawn = false;
    if (pane == 0) {
        drawn = DrawPicture(painter, target, local_.header, local_.bits.data(), local_.bits.size());
    } else if (VideoFrameSlot* slot = panes_[pane].slot) {
        slot->Lock();
        // The slot may have gone to another sender since it was shown here.
        if (slot->Ssrc() == panes_[pane].endpoint)
            drawn = DrawPicture(painter, target, slot->Header(), slot->Buffer(), slot->BufferSize());
        slot->Unlock();
    }
    if (!drawn) {
        painter.fillRect(target, backColour_);
        if (!background_.isNull()) {
            QRect centre(QPoint(0, 0), background_.size().boundedTo(target.size()));
            centre.moveCenter(target.center());
            painter.drawImage(centre, background_);
        }
    }
    painter.setPen(pane == selected_ ? kSelectedFrame : kPaneFrame);
    painter.drawRect(target.adjusted(0, 0, -1, -1));
}

void ConferencePanes::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(100, 100, 100));
    for (int pane = 0; pane < kPanes; ++pane) {
        const QRect target = PaneRect(pane);
        if (!target.isEmpty()) DrawPane(painter, pane, target);
    }
}

void ConferencePanes::mousePressEvent(QMouseEvent* event) {
    const int pane = PaneAt(event->position().toPoint());
    if (pane < 0) return;
    selected_ = pane;
    update();
}

void ConferencePanes::mouseDoubleClickEvent(QMouseEvent* event) {
    const int pane = PaneAt(event->position().toPoint());
    zoomed_ = zoomed_ >= 0 ? -1 : pane;
    update();
}

} // namespace orv
