// The settings theme: light dialogs, accent green for checked states, a tab strip with a
// 2-pixel accent under the current tab, 10-pixel scroll bars with rounded thumbs.
#include "tools/skingen/art.h"
#include "tools/skingen/frame_pictures.h"
#include "tools/skingen/frame_skin.h"

#include <QFile>
#include <QPainterPath>
#include <QTextStream>

namespace skingen {

namespace {

using namespace colours;
const QColor kBorder(0xB8, 0xBE, 0xC4);
const QColor kTrack(0xE3, 0xE6, 0xE9);
const QColor kThumb(0x9A, 0xA2, 0xAA);
constexpr int kBox = 14;        // check and radio boxes
constexpr int kScroll = 10;     // scroll bar width

// Four looks side by side: unchecked, checked, unchecked disabled, checked disabled.
QImage BoxStrip(bool round) {
    QImage image = NewPicture(4 * kBox, kBox, kDialog);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 4; ++i) {
        const bool checked = i % 2 == 1;
        const bool disabled = i >= 2;
        const QRectF cell = QRectF(i * kBox, 0, kBox, kBox).adjusted(1, 1, -1, -1);
        const QColor accent = disabled ? InLook(kGreen, Look::Disabled, kDialog) : kGreen;
        p.setPen(QPen(checked ? accent : kBorder, 1.5));
        p.setBrush(checked && !round ? accent : QColor(Qt::white));
        if (round) {
            p.drawEllipse(cell);
            if (checked) {
                p.setBrush(accent);
                p.setPen(Qt::NoPen);
                p.drawEllipse(cell.center(), 3, 3);
            }
        } else {
            p.drawRoundedRect(cell, 3, 3);
            if (checked) DrawGlyph(p, Glyph::Check, cell.center(), 10, Qt::white, 1.8);
        }
    }
    return image;
}

QImage Arrow(qreal angle) {
    QImage image = NewPicture(kScroll, kScroll, kTrack);
    QPainter p(&image);
    SetGlyphPen(p, kThumb, 1.5);
    p.translate(kScroll / 2.0, kScroll / 2.0);
    p.rotate(angle);
    p.drawPolyline(QPolygonF({QPointF(-2.5, 1.2), QPointF(0, -1.3), QPointF(2.5, 1.2)}));
    return image;
}

QImage Thumb(bool vertical) {
    const int w = vertical ? kScroll : 40, h = vertical ? 40 : kScroll;
    QImage image = NewPicture(w, h, kTrack);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(1, 1, w - 2, h - 2), 4, 4);
    p.fillPath(path, kThumb);
    return image;
}

// The tab strip: normal and current tab side by side (current has the accent line).
QImage Tabs() {
    QImage image = NewPicture(2 * 80, 28, kDialog);
    QPainter p(&image);
    p.fillRect(QRect(0, 27, 160, 1), kBorder);
    p.fillRect(QRect(80, 0, 80, 28), Qt::white);
    p.fillRect(QRect(80, 26, 80, 2), kGreen);
    return image;
}

// A push button as a nine-part picture: normal and pressed halves one above the other.
QImage PushButton() {
    QImage image = NewPicture(24, 48, kDialog);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int half = 0; half < 2; ++half) {
        p.setPen(QPen(kBorder, 1));
        p.setBrush(half == 0 ? QColor(Qt::white) : InLook(Qt::white, Look::Down, kDialog));
        p.drawRoundedRect(QRectF(0.5, half * 24 + 0.5, 23, 23), 5, 5);
    }
    return image;
}

} // namespace

bool WriteThemeSkin(const QString& folder) {
    QString text;
    QTextStream out(&text);
    if (!WriteFrame(folder, {{"CLOSE", Glyph::Close, 26}}, out, true)) return false;
    out << "[Colours]\nTitleText=" << ColourValue(kTitle)
        << "\nInactiveTitleText=" << ColourValue(kMuted) << "\nUsesTran=1\nTransColor="
        << ColourValue(QColor(0xFF, 0x00, 0xFF)) << "\nBarColor=" << ColourValue(kBody)
        << "\nMenuColor=" << ColourValue(kDialog) << "\nButtonFace=" << ColourValue(kDialog)
        << "\nButtonText=" << ColourValue(kDialogText) << "\nButtonHilight="
        << ColourValue(Qt::white) << "\nButtonFocus=" << ColourValue(kGreen) << "\n\n"
        << "[TabCtrl]\nBitmap=Tabs.bmp\nBackground=" << ColourValue(kDialog) << "\nCenter="
        << ColourValue(Qt::white) << "\n\n";
    for (const char* bar : {"HScrollBar", "VScrollBar"}) {
        const bool vertical = bar[0] == 'V';
        const QString prefix = vertical ? "V" : "H";
        out << "[" << bar << "]\nLeftArrow=" << prefix << "Arrow1.bmp\nRightArrow=" << prefix
            << "Arrow2.bmp\nThumb=" << prefix << "Thumb.bmp\nBack=" << ColourValue(kTrack)
            << "\nThumbLeftWidth=5\nThumbRightWidth=5\n\n";
        if (!SaveBmp(Arrow(vertical ? 0 : -90), folder + "/" + prefix + "Arrow1.bmp") ||
            !SaveBmp(Arrow(vertical ? 180 : 90), folder + "/" + prefix + "Arrow2.bmp") ||
            !SaveBmp(Thumb(vertical), folder + "/" + prefix + "Thumb.bmp")) {
            return false;
        }
    }
    out << "[PushButton]\nBitmap=PushButton.bmp\nTopHeight=6\nBottomHeight=6\nLeftWidth=6\n"
           "RightWidth=6\nTrans=0\n\n[RadioButton]\nBitmap=Radio.bmp\n\n"
           "[CheckButton]\nBitmap=Check.bmp\n";
    out.flush();
    QFile file(folder + "/theme.ini");
    return SaveBmp(BoxStrip(false), folder + "/Check.bmp") &&
           SaveBmp(BoxStrip(true), folder + "/Radio.bmp") && SaveBmp(Tabs(), folder + "/Tabs.bmp") &&
           SaveBmp(PushButton(), folder + "/PushButton.bmp") &&
           file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

} // namespace skingen
