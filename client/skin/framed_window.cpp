#include "client/skin/framed_window.h"

#include "client/skin/frame_title_button.h"
#include "client/skin/screen_fit.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

namespace orv {

namespace {

constexpr char kFrameName[] = "orvSkinFrame";
constexpr int kTitleGap = 4; // between the title text and the first button

// Light text on a dark strip, dark text on a light one, judged by the middle of the top
// picture's active half.
QColor ContrastingText(const QImage& top) {
    if (top.isNull()) return QColor(Qt::black);
    const QColor strip = top.pixelColor(top.width() / 2, std::max(0, top.height() / 4));
    return strip.lightnessF() < 0.5 ? QColor(0xE8, 0xEC, 0xEF) : QColor(0x2F, 0x34, 0x3A);
}

Qt::Edges QtEdges(int edge) {
    switch (edge) {
    case kSizeLeft: return Qt::LeftEdge;
    case kSizeRight: return Qt::RightEdge;
    case kSizeTop: return Qt::TopEdge;
    case kSizeTopLeft: return Qt::TopEdge | Qt::LeftEdge;
    case kSizeTopRight: return Qt::TopEdge | Qt::RightEdge;
    case kSizeBottom: return Qt::BottomEdge;
    case kSizeBottomLeft: return Qt::BottomEdge | Qt::LeftEdge;
    case kSizeBottomRight: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
    }
}

} // namespace

SkinFrame::SkinFrame(QWidget& window, FrameSkin skin, FrameHooks hooks)
    : QWidget(&window), window_(window), skin_(std::move(skin)), hooks_(std::move(hooks)) {
    setObjectName(QString::fromLatin1(kFrameName));
    setAttribute(Qt::WA_NoSystemBackground);
    titleColour_ = ContrastingText(skin_.top.picture);
    inactiveTitleColour_ = titleColour_;
    for (const FrameButton& described : skin_.buttons) {
        if (described.name.isEmpty() || buttons_.count(described.name) != 0) continue;
        auto* button = new FrameTitleButton(described.name, described.looks, skin_.lookCount, this);
        connect(button, &QToolButton::clicked, this, [this, name = described.name] {
            if (hooks_.command) hooks_.command(name);
        });
        buttons_[described.name] = button;
    }
    window_.setContentsMargins(skin_.LeftThickness(), skin_.TopThickness(), skin_.RightThickness(),
                               skin_.BottomThickness());
    window_.installEventFilter(this);
    Relayout();
}

QToolButton* SkinFrame::Button(const QString& name) const {
    const auto it = buttons_.find(name);
    return it == buttons_.end() ? nullptr : it->second;
}

int SkinFrame::SizingEdgeAt(QPoint at) const {
    const int border = skin_.frameWidth;
    if (border <= 0 || !rect().contains(at)) return kSizeNone;
    const bool left = at.x() < border, right = at.x() >= width() - border;
    const bool top = at.y() < border, bottom = at.y() >= height() - border;
    if (top) return left ? kSizeTopLeft : right ? kSizeTopRight : kSizeTop;
    if (bottom) return left ? kSizeBottomLeft : right ? kSizeBottomRight : kSizeBottom;
    if (left) return kSizeLeft;
    if (right) return kSizeRight;
    return kSizeNone;
}

bool SkinFrame::TitleAt(QPoint at) const {
    return at.y() >= 0 && at.y() < skin_.TopThickness() && at.x() >= 0 && at.x() < width() &&
           SizingEdgeAt(at) == kSizeNone;
}

void SkinFrame::SetTitleColours(const QColor& active, const QColor& inactive) {
    if (active.isValid()) titleColour_ = active;
    if (inactive.isValid()) inactiveTitleColour_ = inactive;
    update();
}

bool SkinFrame::ActiveLook() const { return window_.isActiveWindow(); }

QRect SkinFrame::TitleRect() const {
    int right = width() - skin_.RightThickness();
    for (const auto& [name, button] : buttons_) {
        if (!button->isHidden()) right = std::min(right, button->x() - kTitleGap);
    }
    const int left = skin_.LeftThickness() + skin_.textShift.x();
    const int top = skin_.textShift.y();
    return QRect(left, top, std::max(0, right - left), std::max(0, skin_.TopThickness() - top));
}

void SkinFrame::Relayout() {
    setGeometry(window_.rect());
    const QRegion ring = QRegion(rect()) - QRegion(window_.contentsRect());
    setMask(ring);
    window_.setMask(FrameShape(skin_, window_.size()));
    for (const FrameButton& described : skin_.buttons) {
        const auto it = buttons_.find(described.name);
        if (it != buttons_.end()) it->second->move(FrameButtonPosition(described, width()));
    }
    raise();
    update();
}

bool SkinFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_) return false;
    switch (event->type()) {
    case QEvent::Resize:
        Relayout();
        break;
    case QEvent::ChildAdded:
        raise(); // the frame stays above whatever the window adds later
        break;
    case QEvent::Show:
        // Before it is mapped: a window larger than the free part of its screen gives way to
        // it (down to its minimum size), and one placed off the screen comes onto it.
        if (!event->spontaneous()) KeepOnScreen(window_);
        break;
    case QEvent::WindowTitleChange:
    case QEvent::ActivationChange:
        update();
        break;
    default:
        break;
    }
    return false;
}

void SkinFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintFrame(painter, skin_, size(), ActiveLook());
    const QRect title = TitleRect();
    if (title.width() <= 0) return;
    painter.setPen(TitleColour());
    painter.setFont(window_.font());
    const QString text = painter.fontMetrics().elidedText(window_.windowTitle(), Qt::ElideRight, title.width());
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void SkinFrame::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const int edge = SizingEdgeAt(at);
    if (edge != kSizeNone) {
        if (hooks_.sizingBegins) hooks_.sizingBegins(edge);
        if (window_.windowHandle() != nullptr) window_.windowHandle()->startSystemResize(QtEdges(edge));
        event->accept();
        return;
    }
    if (!TitleAt(at) || !hooks_.moveByTitle) {
        event->ignore(); // on to the window
        return;
    }
    moving_ = true;
    grab_ = event->globalPosition().toPoint() - window_.pos();
    event->accept();
}

void SkinFrame::mouseMoveEvent(QMouseEvent* event) {
    if (!moving_) {
        event->ignore();
        return;
    }
    window_.move(event->globalPosition().toPoint() - grab_);
}

void SkinFrame::mouseReleaseEvent(QMouseEvent* event) {
    if (!moving_) {
        event->ignore();
        return;
    }
    moving_ = false;
    window_.move(event->globalPosition().toPoint() - grab_);
}

SkinFrame* ApplyFrameSkin(QWidget& window, const std::string& file, FrameHooks hooks) {
    if (FrameOf(window) != nullptr) return nullptr;
    FrameSkin skin;
    if (!LoadFrameSkin(file, skin)) return nullptr;
    const bool shown = window.isVisible();
    window.setWindowFlag(Qt::FramelessWindowHint, true);
    auto* frame = new SkinFrame(window, std::move(skin), std::move(hooks));
    if (shown) window.show();
    return frame;
}

SkinFrame* FrameOf(const QWidget& window) {
    return window.findChild<SkinFrame*>(QString::fromLatin1(kFrameName), Qt::FindDirectChildrenOnly);
}

} // namespace orv
