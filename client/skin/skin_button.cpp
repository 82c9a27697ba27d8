#include "client/skin/skin_button.h"

#include <QMouseEvent>
#include <QPainter>

namespace orv {

SkinButton::SkinButton(int index, const QString& name, bool flag, QWidget* parent)
    : QWidget(parent), index_(index), name_(name), flag_(flag) {
    setObjectName(name);
    setAttribute(Qt::WA_Hover);
}

void SkinButton::SetFace(SkinLook look, const QPixmap& face) {
    faces_[static_cast<std::size_t>(look)] = face;
    update();
}

SkinLook SkinButton::CurrentLook() const {
    if (!isEnabled()) return SkinLook::Disabled;
    if (pressed_ && hover_) return SkinLook::Down;
    if (hover_) return SkinLook::Over;
    return SkinLook::Normal;
}

void SkinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap& face = faces_[static_cast<std::size_t>(CurrentLook())];
    // A look without a picture falls back to the normal face; without any face the button
    // still shows where it is, so the window stays usable.
    const QPixmap& shown = face.isNull() ? faces_[0] : face;
    if (!shown.isNull()) {
        painter.drawPixmap(0, 0, shown);
        return;
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(rect(), Qt::AlignCenter, toolTip().isEmpty() ? name_ : toolTip());
}

void SkinButton::enterEvent(QEnterEvent*) {
    hover_ = true;
    update();
}

void SkinButton::leaveEvent(QEvent*) {
    hover_ = false;
    update();
}

void SkinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    hover_ = true;
    update();
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    const bool inside = rect().contains(event->position().toPoint());
    hover_ = inside;
    update();
    // Only a release inside the button is a click; dragging off cancels it.
    if (inside && isEnabled() && onClick_) onClick_(index_, name_);
}

void SkinButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        pressed_ = false;
        update();
    }
    QWidget::changeEvent(event);
}

} // namespace orv
