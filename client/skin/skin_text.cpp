#include "client/skin/skin_text.h"

#include <QPainter>
#include <algorithm>

namespace orv {

QColor SkinColour(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

SkinText::SkinText(const SkinTextInfo& info, QWidget* parent)
    : QWidget(parent), name_(QString::fromStdString(info.name)),
      text_(QString::fromStdString(info.initialText)), colour_(SkinColour(info.colour)) {
    setObjectName(name_);
    QFont font(QString::fromStdString(info.fontFace));
    if (info.size > 0) font.setPixelSize(std::min(info.size, 512));
    font.setWeight(info.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(info.styleFlag);
    setFont(font);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SkinText::SetBackground(const QPixmap& background) {
    background_ = background;
    update();
}

void SkinText::SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

void SkinText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!background_.isNull()) painter.drawPixmap(0, 0, background_);
    painter.setPen(colour_);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text_);
}

SkinProgress::SkinProgress(const QString& name, bool horizontal, QWidget* parent)
    : QWidget(parent), name_(name), horizontal_(horizontal) {
    setObjectName(name);
}

void SkinProgress::SetFaces(const QPixmap& empty, const QPixmap& full) {
    empty_ = empty;
    full_ = full;
    update();
}

void SkinProgress::SetValue(int value) {
    value_ = std::clamp(value, 0, kMaximum);
    update();
}

void SkinProgress::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect filled = rect();
    if (horizontal_) {
        filled.setWidth(width() * value_ / kMaximum);
    } else {
        // Vertical bars fill from the bottom up.
        const int h = height() * value_ / kMaximum;
        filled = QRect(0, height() - h, width(), h);
    }
    if (!empty_.isNull()) {
        painter.drawPixmap(0, 0, empty_);
    } else {
        painter.fillRect(rect(), palette().color(QPalette::Base));
    }
    if (filled.isEmpty()) return;
    if (!full_.isNull()) {
        painter.drawPixmap(filled, full_, filled);
    } else {
        painter.fillRect(filled, palette().color(QPalette::Highlight));
    }
}

} // namespace orv
