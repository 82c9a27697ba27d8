#include "client/ui/dial_pad.h"

#include "client/skin/skin_description.h"
#include "client/skin/skin_text.h"
#include "platform/profile.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace orv {

namespace {

constexpr char kLayout[4][3] = {{'1', '2', '3'}, {'4', '5', '6'}, {'7', '8', '9'}, {'*', '0', '#'}};
constexpr int kColumnGap = 8;
constexpr int kRowGap = 6;
constexpr int kCornerRadius = 9;
constexpr int kDigitTextSize = 18;
// The side column (backspace, fold away) takes this share of the width.
constexpr double kSideShare = 0.2;

QColor Mixed(const QColor& a, const QColor& b, double amountOfB) {
    const auto mix = [amountOfB](int x, int y) { return std::clamp(int(x + (y - x) * amountOfB + 0.5), 0, 255); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

QString KeyName(char c) {
    switch (c) {
    case '*': return QStringLiteral("PAD_STAR");
    case '#': return QStringLiteral("PAD_POUND");
    case DialPad::kBackspace: return QStringLiteral("PAD_BACK");
    case DialPad::kHide: return QStringLiteral("PAD_HIDE");
    default: return QStringLiteral("PAD_") + QLatin1Char(c);
    }
}

// One key: a rounded square in the skin's tool colour, lighter under the mouse, darker and
// its face 1 px lower while pressed.
class DialPadKey : public QAbstractButton {
public:
    DialPadKey(char c, const DialPadLook& look, QWidget* parent) : QAbstractButton(parent), c_(c), look_(look) {
        setObjectName(KeyName(c));
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
        if (c != DialPad::kBackspace && c != DialPad::kHide) setText(QString(QLatin1Char(c)));
        setAccessibleName(text().isEmpty() ? objectName() : text());
        QFont face(QStringLiteral("DejaVu Sans"));
        face.setPixelSize(kDigitTextSize);
        setFont(face);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool down = isDown();
        QColor fill = look_.key;
        if (down) fill = Mixed(look_.key, Qt::black, 0.15);
        else if (underMouse()) fill = Mixed(look_.key, Qt::white, 0.12);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
        const QPointF centre = QRectF(rect()).center() + QPointF(0, down ? 1 : 0);
        QPen pen(look_.text, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        if (c_ == DialPad::kBackspace) {
            // A key cap pointing left with a cross on it.
            QPainterPath cap;
            cap.moveTo(centre + QPointF(-11, 0));
            cap.lineTo(centre + QPointF(-5, -7));
            cap.lineTo(centre + QPointF(10, -7));
            cap.lineTo(centre + QPointF(10, 7));
            cap.lineTo(centre + QPointF(-5, 7));
            cap.closeSubpath();
            p.drawPath(cap);
            p.drawLine(centre + QPointF(-1, -3), centre + QPointF(5, 3));
            p.drawLine(centre + QPointF(-1, 3), centre + QPointF(5, -3));
        } else if (c_ == DialPad::kHide) {
            // A chevron pointing down: the pad folds away.
            p.drawPolyline(QPolygonF({centre + QPointF(-7, -3), centre + QPointF(0, 4), centre + QPointF(7, -3)}));
        } else {
            p.drawText(QRectF(rect()).translated(0, down ? 1 : 0), Qt::AlignCenter, text());
        }
    }

private:
    char c_;
    DialPadLook look_;
};

} // namespace

DialPadLook ReadDialPadLook(const std::string& descriptionFile) {
    DialPadLook look;
    const std::vector<std::string> t = SplitSkinTokens(GetProfileString("DIALPAD", "RECT", "", descriptionFile));
    if (t.size() >= 4) {
        const int v[4] = {SkinTokenInt(t[0]), SkinTokenInt(t[1]), SkinTokenInt(t[2]), SkinTokenInt(t[3])};
        if (std::all_of(std::begin(v), std::end(v), [](int x) { return x >= 0 && x <= kMaxSkinCoordinate; }))
            look.rect = QRect(v[0], v[1], v[2], v[3]);
    }
    const auto colour = [&](const char* key, QColor& into) {
        const int value = GetProfileInt("DIALPAD", key, -1, descriptionFile);
        if (value >= 0 && value <= 0xFFFFFF) into = SkinColour(static_cast<std::uint32_t>(value));
    };
    colour("BODY", look.body);
    colour("KEY", look.key);
    colour("TEXT", look.text);
    return look;
}

DialPad::DialPad(const DialPadLook& look, DialPadActions actions, QWidget* parent)
    : QWidget(parent), look_(look), actions_(std::move(actions)) {
    setObjectName(QStringLiteral("DIAL_PAD"));
    setFocusPolicy(Qt::NoFocus);
    setMinimumSize(200, 4 * 30 + 3 * kRowGap);
    for (const auto& row : kLayout) {
        for (char c : row) {
            auto* key = new DialPadKey(c, look_, this);
            connect(key, &QAbstractButton::clicked, this, [this, c] { Press(c); });
        }
    }
    for (char c : {kBackspace, kHide}) {
        auto* key = new DialPadKey(c, look_, this);
        connect(key, &QAbstractButton::clicked, this, [this, c] { Press(c); });
    }
}

QAbstractButton* DialPad::Key(char c) const { return findChild<QAbstractButton*>(KeyName(c)); }

void DialPad::Press(char c) {
    if (c == kBackspace) {
        if (actions_.backspace) actions_.backspace();
    } else if (c == kHide) {
        if (actions_.hide) actions_.hide();
    } else if (actions_.key) {
        actions_.key(c);
    }
}

void DialPad::resizeEvent(QResizeEvent*) {
    const int side = static_cast<int>(width() * kSideShare);
    const int column = std::max(1, (width() - side - 3 * kColumnGap) / 3);
    const int row = std::max(1, (height() - 3 * kRowGap) / 4);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (QAbstractButton* key = Key(kLayout[r][c]))
                key->setGeometry(c * (column + kColumnGap), r * (row + kRowGap), column, row);
        }
    }
    const int sideLeft = 3 * (column + kColumnGap);
    const int sideWidth = width() - sideLeft;
    const int twoRows = 2 * row + kRowGap;
    if (QAbstractButton* key = Key(kBackspace)) key->setGeometry(sideLeft, 0, sideWidth, twoRows);
    if (QAbstractButton* key = Key(kHide)) key->setGeometry(sideLeft, twoRows + kRowGap, sideWidth, twoRows);
}

void DialPad::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), look_.body);
}

} // namespace orv
