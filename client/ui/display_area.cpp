#include "client/ui/display_area.h"

#include "client/skin/skin_description.h"
#include "platform/profile.h"

#include <QPainter>
#include <algorithm>

namespace orv {

namespace {
const QColor kDisplayText(0x1E, 0x2B, 0x26);
const QColor kDisplay(0xDD, 0xE7, 0xE3);
const QColor kHintText(0x7C, 0x8A, 0x84);
constexpr int kSmallestText = 11;
constexpr int kLargestText = 96;
constexpr int kBlinkMs = 530;
} // namespace

DisplayAreaLayout ReadDisplayArea(const std::string& descriptionFile, const char* key) {
    const std::vector<std::string> t =
        SplitSkinTokens(GetProfileString("MESSAGEAREA", key, "", descriptionFile));
    DisplayAreaLayout area;
    if (t.size() < 4) return area;
    const int v[4] = {SkinTokenInt(t[0]), SkinTokenInt(t[1]), SkinTokenInt(t[2]), SkinTokenInt(t[3])};
    for (int value : v) {
        if (value < 0 || value > kMaxSkinCoordinate) return area;
    }
    area.rect = QRect(v[0], v[1], v[2], v[3]);
    area.textSize = t.size() > 4 ? SkinTokenInt(t[4]) : 0;
    return area;
}

DisplayArea::DisplayArea(const QString& name, bool time, int textSize, QWidget* parent)
    : QWidget(parent), time_(time) {
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font(QStringLiteral("DejaVu Sans"));
    const int fallback = time ? 28 : 15;
    font.setPixelSize(std::clamp(textSize > 0 ? textSize : fallback, kSmallestText, kLargestText));
    font.setBold(time);
    setFont(font);
    blink_.setInterval(kBlinkMs);
    connect(&blink_, &QTimer::timeout, this, [this] {
        cursorOn_ = !cursorOn_;
        update();
    });
}

void DisplayArea::SetEntry(Entry entry, const QString& hint) {
    if (entry == entry_ && hint == hint_) return;
    entry_ = entry;
    hint_ = hint;
    cursorOn_ = true;
    if (entry_ == Entry::None) blink_.stop();
    else blink_.start();
    update();
}

void DisplayArea::DrawCursor(QPainter& painter, int x, int top) const {
    // Blinks while the window has the keyboard; steady otherwise, so the field reads as one.
    if (window()->isActiveWindow() && !cursorOn_) return;
    const QFontMetrics metrics = fontMetrics();
    painter.fillRect(QRect(x, top + 1, 2, metrics.height() - 2), kDisplayText);
}

void DisplayArea::SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

void DisplayArea::SetOwnBackground(bool own) {
    ownBackground_ = own;
    setMinimumHeight(fontMetrics().height() * (time_ ? 1 : 2) + 8);
    update();
}

QRect DisplayArea::TextRect() const { return rect().adjusted(ownBackground_ ? 6 : 0, 0, 0, 0); }

QString DisplayArea::ShownText() const {
    if (time_ || text_.contains(QLatin1Char(' '))) return text_;
    const int room = TextRect().width();
    if (room <= 0 || fontMetrics().horizontalAdvance(text_) <= room) return text_;
    return fontMetrics().elidedText(text_, Qt::ElideLeft, room);
}

void DisplayArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (ownBackground_) painter.fillRect(rect(), kDisplay);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(kDisplayText);
    const int flags = time_ ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
    const QString shown = ShownText();
    const QRect area = TextRect();
    painter.drawText(area, flags, shown);
    if (entry_ == Entry::Number) {
        DrawCursor(painter, area.left() + std::min(fontMetrics().horizontalAdvance(shown) + 1, area.width() - 2),
                   area.top());
    } else if (entry_ == Entry::Hint) {
        const int top = text_.isEmpty() ? area.top() : area.bottom() + 1 - fontMetrics().height();
        const QRect line(area.left() + 4, top, area.width() - 4, fontMetrics().height());
        painter.setPen(kHintText);
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(hint_, Qt::ElideRight, line.width()));
        DrawCursor(painter, area.left(), top);
    }
}

} // namespace orv
