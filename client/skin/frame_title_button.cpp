#include "client/skin/frame_title_button.h"

#include <QPainter>

#include <algorithm>

namespace orv {

namespace {
constexpr int kPlainSide = 16;
}

FrameTitleButton::FrameTitleButton(const QString& name, const QImage& looks, int lookCount, QWidget* parent)
    : QToolButton(parent), looks_(looks), lookCount_(std::max(1, lookCount)) {
    setObjectName(name);
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    lookWidth_ = looks_.isNull() ? 0 : looks_.width() / lookCount_;
    if (lookWidth_ <= 0 || looks_.height() <= 0) {
        looks_ = QImage();
        lookWidth_ = 0;
        setFixedSize(kPlainSide, kPlainSide);
    } else {
        setFixedSize(lookWidth_, looks_.height());
    }
}

int FrameTitleButton::CurrentLook() const {
    int look = 0;
    if (!isEnabled()) {
        look = 3;
    } else if (isDown()) {
        look = 2;
    } else if (underMouse()) {
        look = 1;
    }
    // A picture without the look falls back to the nearest one it holds; disabled without
    // its own look is the normal one.
    if (look == 3 && lookCount_ < 4) look = 0;
    return std::min(look, lookCount_ - 1);
}

void FrameTitleButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (looks_.isNull()) {
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawRect(rect().adjusted(2, 2, -3, -3));
        return;
    }
    painter.drawImage(QPoint(0, 0), looks_, QRect(CurrentLook() * lookWidth_, 0, lookWidth_, looks_.height()));
}

} // namespace orv
