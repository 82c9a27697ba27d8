#include "client/skin/skin_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

namespace orv {

namespace {
constexpr int kPlainThumb = 12; // thumb size when the skin gives no thumb picture
constexpr int kStep = 5;
} // namespace

SkinSlider::SkinSlider(const QString& name, bool horizontal, QWidget* parent)
    : QWidget(parent), name_(name), horizontal_(horizontal) {
    setObjectName(name);
    setFocusPolicy(Qt::ClickFocus);
}

void SkinSlider::SetPictures(const QPixmap& background, const QPixmap& track, const QPixmap& thumb) {
    background_ = background;
    track_ = track;
    thumb_ = thumb;
    update();
}

void SkinSlider::SetValue(int value) {
    value_ = std::clamp(value, 0, kMaximum);
    update();
}

QSize SkinSlider::ThumbSize() const {
    if (!thumb_.isNull()) return thumb_.deviceIndependentSize().toSize();
    return horizontal_ ? QSize(kPlainThumb, height()) : QSize(width(), kPlainThumb);
}

int SkinSlider::Travel() const {
    const QSize thumb = ThumbSize();
    return std::max(0, horizontal_ ? width() - thumb.width() : height() - thumb.height());
}

void SkinSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!background_.isNull()) painter.drawPixmap(0, 0, background_);
    const QSize thumb = ThumbSize();
    const int offset = Travel() * value_ / kMaximum;
    // Vertical sliders have their maximum at the top, as volume controls do.
    const QPoint thumbAt = horizontal_ ? QPoint(offset, (height() - thumb.height()) / 2)
                                       : QPoint((width() - thumb.width()) / 2, Travel() - offset);
    if (!track_.isNull()) {
        const QSize track = track_.deviceIndependentSize().toSize();
        painter.drawPixmap((width() - track.width()) / 2, (height() - track.height()) / 2, track_);
    } else {
        painter.setPen(palette().color(QPalette::Mid));
        if (horizontal_) {
            painter.drawLine(0, height() / 2, width() - 1, height() / 2);
        } else {
            painter.drawLine(width() / 2, 0, width() / 2, height() - 1);
        }
    }
    if (!thumb_.isNull()) {
        painter.drawPixmap(thumbAt, thumb_);
    } else {
        painter.fillRect(QRect(thumbAt, thumb), palette().color(QPalette::Button));
    }
}

void SkinSlider::MoveTo(int value) {
    value = std::clamp(value, 0, kMaximum);
    if (value == value_) return;
    value_ = value;
    update();
    if (onMove_) onMove_(name_, value_);
}

void SkinSlider::MoveToPoint(const QPoint& point) {
    const int travel = Travel();
    if (travel == 0) return;
    const QSize thumb = ThumbSize();
    // The thumb's centre follows the pointer.
    const int along = horizontal_ ? point.x() - thumb.width() / 2
                                  : travel - (point.y() - thumb.height() / 2);
    MoveTo((std::clamp(along, 0, travel) * kMaximum + travel / 2) / travel);
}

void SkinSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) MoveToPoint(event->position().toPoint());
}

void SkinSlider::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) MoveToPoint(event->position().toPoint());
}

void SkinSlider::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta != 0) MoveTo(value_ + (delta > 0 ? kStep : -kStep));
}

void SkinSlider::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Up: MoveTo(value_ + kStep); break;
    case Qt::Key_Left:
    case Qt::Key_Down: MoveTo(value_ - kStep); break;
    default: QWidget::keyPressEvent(event);
    }
}

} // namespace orv
