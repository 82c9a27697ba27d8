#include "client/ui/display_area.h"

#include "client/skin/skin_description.h"
#include "platform/profile.h"

#include <QPainter>
#include <algorithm>

namespace orv {

namespace {
const QColor kDisplayText(0x1E, 0x2B, 0x26);
const QColor kDisplay(0xDD, 0xE7, 0xE3);
constexpr int kSmallestText = 11;
constexpr int kLargestText = 96;
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
    painter.drawText(TextRect(), flags, ShownText());
}

} // namespace orv
