#include "client/ui/status_strip.h"

#include <QPainter>
#include <algorithm>

namespace orv {

namespace {
const QColor kOnLine(0x2E, 0xB8, 0x6A);
const QColor kOffLine(0xE0, 0x4B, 0x4B);
const QColor kStripText(0xB4, 0xBC, 0xC8);
constexpr int kDotRadius = 4;
constexpr int kGap = 8;
} // namespace

StatusStrip::StatusStrip(int textSize, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("STATUS_STRIP"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::clamp(textSize > 0 ? textSize : 12, 8, 40));
    setFont(font);
    setMinimumHeight(fontMetrics().height() + 8);
}

void StatusStrip::SetState(const QString& number, bool onLine, const QString& stateText) {
    if (number == number_ && onLine == onLine_ && stateText == stateText_) return;
    number_ = number;
    onLine_ = onLine;
    stateText_ = stateText;
    setToolTip(Text());
    update();
}

QString StatusStrip::Text() const {
    return number_.isEmpty() ? stateText_ : number_ + QStringLiteral(" \u00B7 ") + stateText_;
}

void StatusStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QString text = fontMetrics().elidedText(Text(), Qt::ElideRight, width() - 2 * (kDotRadius + kGap));
    const int textWidth = fontMetrics().horizontalAdvance(text);
    const int left = std::max(0, (width() - textWidth - 2 * kDotRadius - kGap) / 2);
    const QPointF dot(left + kDotRadius, height() / 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(onLine_ ? kOnLine : kOffLine);
    p.drawEllipse(dot, kDotRadius, kDotRadius);
    p.setPen(kStripText);
    p.drawText(QRect(left + 2 * kDotRadius + kGap, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter,
               text);
}

} // namespace orv
