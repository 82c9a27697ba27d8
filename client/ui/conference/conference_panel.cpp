#include "client/ui/conference/conference_panel.h"

#include "client/skin/skin_button.h"
#include "client/skin/skin_picture.h"
#include "client/text/text_table.h"

#include <QPainter>
#include <QToolButton>
#include <cstring>

namespace orv {

namespace {

constexpr int kRowButtonSide = 18;
constexpr int kLooks = 4;
const QColor kDisplayText{24, 34, 30}; // on the skin's light display areas
const QColor kVideoMark{90, 200, 120};

// The tooltip texts of the row buttons, and the glyph each shows.
struct RowButtonKind {
    const char* prefix;
    int tooltip;
    const char* glyph;
};
constexpr RowButtonKind kRowButtons[] = {
    {"VIDEOON", 324, "\u25B6"}, {"VIDEOOFF", 325, "\u25A0"}, {"KICK", 326, "\u2715"}, {"DTMF", 327, "#"}};

QString Q(const std::string& s) { return QString::fromStdString(s); }

QFont ListFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    return font;
}

} // namespace

ConferencePanel::ConferencePanel(const ConferenceSkin& skin, const TextTable& texts,
                                 std::function<void(const QString&)> command, QWidget* parent)
    : QWidget(parent), skin_(skin), texts_(texts), command_(std::move(command)) {
    setObjectName(QStringLiteral("ConferencePanel"));
    setFixedSize(skin_.PanelWidth(), skin_.PanelHeight());
    BuildRoomButtons();
    BuildRowButtons();
    Retranslate();
    SetRows({}, false);
}

void ConferencePanel::BuildRoomButtons() {
    for (std::size_t i = 0; i < skin_.buttons.size(); ++i) {
        const ConferenceSkinButton& b = skin_.buttons[i];
        auto* button = new SkinButton(static_cast<int>(i), b.name, false, this);
        button->setObjectName(b.name);
        button->setGeometry(b.rect);
        const int w = b.rect.width();
        for (int look = 0; look < kLooks; ++look) {
            const QPixmap face = CutSkinFace(b.looks, SkinRect{look * w, 0, w, b.rect.height()});
            if (!face.isNull()) button->SetFace(static_cast<SkinLook>(look), face);
        }
        button->SetClickHandler([this](int, const QString& name) { command_(name); });
        roomButtons_[b.name] = button;
    }
}

void ConferencePanel::BuildRowButtons() {
    for (int row = 0; row < kConfSeats; ++row) {
        for (const RowButtonKind& kind : kRowButtons) {
            const QString name = QString::fromLatin1(kind.prefix) + QString::number(row);
            auto* button = new QToolButton(this);
            button->setObjectName(name);
            button->setText(QString::fromUtf8(kind.glyph));
            button->setAutoRaise(true);
            button->setFixedSize(kRowButtonSide, kRowButtonSide);
            connect(button, &QToolButton::clicked, this, [this, name] { command_(name); });
            rowButtons_[name] = button;
        }
    }
}

void ConferencePanel::Retranslate() {
    for (auto& [name, button] : roomButtons_) {
        for (const ConferenceSkinButton& b : skin_.buttons) {
            if (b.name != name) continue;
            // The skin's own tooltip is the English text; the text table has it per language.
            const int number = name == QLatin1String("REQUEST") ? 321 : name == QLatin1String("INVITE") ? 322 : 323;
            const std::string text = texts_.Text(number);
            button->setToolTip(text.empty() ? b.tooltip : Q(text));
        }
    }
    for (auto& [name, button] : rowButtons_) {
        for (const RowButtonKind& kind : kRowButtons) {
            if (name.startsWith(QLatin1String(kind.prefix)) && name.size() == int(std::strlen(kind.prefix)) + 1)
                button->setToolTip(Q(texts_.Text(kind.tooltip)));
        }
    }
}

QRect ConferencePanel::RowRect(int row) const {
    const ConferenceListArea& area = skin_.members;
    return QRect(area.rect.left(), area.rect.top() + row * area.lineHeight, area.rect.width(), area.lineHeight);
}

void ConferencePanel::SetRows(const std::vector<ConfMemberRow>& rows, bool chairman) {
    rows_ = rows;
    if (rows_.size() > static_cast<std::size_t>(kConfSeats)) rows_.resize(kConfSeats);
    for (int row = 0; row < kConfSeats; ++row) {
        const bool filled = static_cast<std::size_t>(row) < rows_.size();
        const QRect line = RowRect(row);
        int x = line.right() - kRowButtonSide + 1;
        // Right to left: digits, kick, video off, video on.
        for (int k = 3; k >= 0; --k) {
            QToolButton* button = rowButtons_.at(QString::fromLatin1(kRowButtons[k].prefix) + QString::number(row));
            const bool kick = k == 2;
            const bool shown = filled && line.bottom() <= skin_.members.rect.bottom() && (!kick || chairman);
            button->setVisible(shown);
            if (!shown) continue;
            button->move(x, line.top() + (line.height() - kRowButtonSide) / 2);
            x -= kRowButtonSide;
        }
    }
    update();
}

void ConferencePanel::SetLog(const std::deque<std::string>& lines) {
    log_ = lines;
    update(skin_.messages.rect);
}

void ConferencePanel::EnableButton(const QString& name, bool enabled) {
    if (QWidget* button = Button(name)) button->setEnabled(enabled);
}

QWidget* ConferencePanel::Button(const QString& name) const {
    if (auto it = roomButtons_.find(name); it != roomButtons_.end()) return it->second;
    if (auto it = rowButtons_.find(name); it != rowButtons_.end()) return it->second;
    return nullptr;
}

std::vector<std::string> ConferencePanel::VisibleLog() const {
    const ConferenceListArea& area = skin_.messages;
    const std::size_t fit = static_cast<std::size_t>(std::max(0, area.rect.height() / area.lineHeight));
    const std::size_t from = log_.size() > fit ? log_.size() - fit : 0;
    return std::vector<std::string>(log_.begin() + static_cast<std::ptrdiff_t>(from), log_.end());
}

void ConferencePanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!skin_.panel.isNull())
        painter.drawImage(QPoint(0, 0), skin_.panel, QRect(skin_.panelLeft, 0, width(), height()));
    else
        painter.fillRect(rect(), QColor(100, 100, 100));
    painter.setFont(ListFont());
    const QFontMetrics metrics(painter.font());

    // Member rows: icon, "name number", the video mark; the row's buttons sit at its right.
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        const QRect line = RowRect(static_cast<int>(row));
        if (line.bottom() > skin_.members.rect.bottom()) break;
        int x = line.left() + 2;
        const QImage& icon = skin_.members.icon;
        if (!icon.isNull()) {
            painter.drawImage(QPoint(x, line.top() + (line.height() - icon.height()) / 2), icon);
            x += icon.width() + 4;
        }
        const ConfMemberRow& r = rows_[row];
        int buttons = 0;
        for (const RowButtonKind& kind : kRowButtons) {
            const QToolButton* b = rowButtons_.at(QString::fromLatin1(kind.prefix) + QString::number(row));
            buttons += b->isVisibleTo(this) ? kRowButtonSide : 0;
        }
        const int markWidth = 8;
        QRect text(x, line.top(), line.right() - buttons - markWidth - x, line.height());
        const std::string label = r.name.empty() || r.name == r.number ? r.number : r.name + " " + r.number;
        painter.setPen(kDisplayText);
        painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, metrics.elidedText(Q(label), Qt::ElideRight, text.width()));
        if (r.showingVideo) {
            painter.setBrush(kVideoMark);
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(QRect(text.right() + 2, line.center().y() - 3, 6, 6));
            painter.setBrush(Qt::NoBrush);
        }
    }

    // The message log, newest at the bottom.
    const ConferenceListArea& area = skin_.messages;
    painter.setPen(kDisplayText);
    const std::vector<std::string> lines = VisibleLog();
    int y = area.rect.top();
    for (const std::string& l : lines) {
        QRect text(area.rect.left() + 2, y, area.rect.width() - 4, area.lineHeight);
        painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, metrics.elidedText(Q(l), Qt::ElideRight, text.width()));
        y += area.lineHeight;
    }
}

} // namespace orv
