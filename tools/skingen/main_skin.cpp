#include "tools/skingen/main_skin.h"

#include "tools/skingen/art.h"
#include "tools/skingen/glyphs.h"

#include <QFile>
#include <QPainterPath>
#include <QRect>
#include <QTextStream>
#include <vector>

namespace skingen {

namespace {

// OnDisplay: a glyph on the display itself, in the display's text colour.
enum class Shape { TitleButton, Round, Square, OnDisplay };

struct ButtonDrawing {
    const char* name;
    QRect rect;
    const char* tooltip;
    Shape shape;
    Glyph glyph;
    QColor fill;
};

// Top strip 0..48, display 56..216, call row 232..288, tool row 308..348, volume rows 376
// and 416, a quiet footer line at the bottom.
const std::vector<ButtonDrawing>& Buttons() {
    using namespace colours;
    static const std::vector<ButtonDrawing> buttons = {
        {"BUTTON_LINK", QRect(194, 12, 24, 24), "Home", Shape::TitleButton, Glyph::Home, kBody},
        {"BUTTON_MIN", QRect(224, 12, 24, 24), "Minimize", Shape::TitleButton, Glyph::Minimise, kBody},
        {"BUTTON_CLOSE", QRect(256, 12, 24, 24), "Exit", Shape::TitleButton, Glyph::Close, kBody},
        {"BUTTON_RECALL", QRect(46, 232, 56, 56), "Redial", Shape::Round, Glyph::Redial, kTool},
        {"BUTTON_CALL", QRect(122, 232, 56, 56), "Call", Shape::Round, Glyph::Call, kGreen},
        {"BUTTON_ENDCALL", QRect(198, 232, 56, 56), "Hangup", Shape::Round, Glyph::HangUp, kRed},
        {"BUTTON_FUNC", QRect(22, 308, 40, 40), "Menu", Shape::Square, Glyph::Menu, kTool},
        {"BUTTON_FRIEND", QRect(76, 308, 40, 40), "Address Book", Shape::Square, Glyph::Friends, kTool},
        {"BUTTON_CALLRECORD", QRect(130, 308, 40, 40), "Call Lists", Shape::Square, Glyph::CallLists, kTool},
        {"BUTTON_OWNVIDEO", QRect(184, 308, 40, 40), "Own Video", Shape::Square, Glyph::Video, kTool},
        {"BUTTON_HELP", QRect(238, 308, 40, 40), "Help", Shape::Square, Glyph::Help, kTool},
        {"BUTTON_DIALPAD", QRect(246, 178, 30, 30), "Dial pad", Shape::OnDisplay, Glyph::DialPad, kDisplay},
    };
    return buttons;
}

struct SliderDrawing {
    const char* name;
    QRect rect;
    Glyph glyph;
};

const SliderDrawing kSliders[] = {
    {"TRACKBAR_PLAY", QRect(58, 370, 220, 24), Glyph::Speaker},
    {"TRACKBAR_RECORD", QRect(58, 410, 220, 24), Glyph::Microphone},
};

// The dial pad folds out over the tool and volume rows, which it hides while open.
const QRect kDialPadArea(22, 300, 256, 150);
const QRect kDisplayFrame(16, 56, 268, 160);
const QRect kMessageArea(32, 70, 212, 56);
const QRect kTimeArea(32, 136, 236, 64);
// The footer: own number and whether the server is reached, drawn by the window.
const QRect kStatusArea(22, 466, 256, 36);
constexpr int kStatusTextSize = 12;
constexpr int kMessageTextSize = 15;
constexpr int kTimeTextSize = 30;
const QPoint kForwardPos(250, 72);
constexpr int kForwardSize = 20;
const QColor kMaskColour(0xFF, 0x00, 0xFF); // the forwarding picture's transparent colour
constexpr int kCornerRadius = 18;

QPainterPath BodyPath(qreal inset) {
    QPainterPath path;
    path.addRoundedRect(QRectF(inset, inset, kMainWidth - 2 * inset, kMainHeight - 2 * inset),
                        kCornerRadius - inset, kCornerRadius - inset);
    return path;
}

void DrawBody(QPainter& p) {
    using namespace colours;
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(BodyPath(0), kRim);
    p.fillPath(BodyPath(1), kBody);

    p.setPen(kTitle);
    p.setFont(SkinFont(17, true));
    p.drawText(QRect(22, 12, 120, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ORV"));
    p.setBrush(kMuted); // the on-line state is the footer's, not the picture's
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(70, 24), 3.5, 3.5);

    QPainterPath frame, display;
    frame.addRoundedRect(QRectF(kDisplayFrame), 13, 13);
    display.addRoundedRect(QRectF(kDisplayFrame.adjusted(3, 3, -3, -3)), 10, 10);
    p.fillPath(frame, kInset);
    p.fillPath(display, kDisplay);

    for (const SliderDrawing& slider : kSliders) {
        DrawGlyph(p, slider.glyph, QPointF(34, slider.rect.center().y() + 0.5), 20, kMuted);
    }
    p.setPen(QPen(kRim, 1));
    p.drawLine(22, 458, kMainWidth - 22, 458);
}

void DrawButton(QPainter& p, const ButtonDrawing& b, Look look) {
    const bool onDisplay = b.shape == Shape::OnDisplay;
    // On the display "Over" and "Down" shade the key's ground a little; the glyph keeps its contrast.
    const QColor fill = onDisplay && look == Look::Over ? Mix(b.fill, Qt::black, 0.06)
                                                        : InLook(b.fill, look, onDisplay ? b.fill : colours::kBody);
    const QColor glyph = InLook(onDisplay ? colours::kDisplayText : colours::kGlyph, look, fill);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    const QRectF r(b.rect);
    switch (b.shape) {
    case Shape::Round: p.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5)); break;
    case Shape::Square: p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10); break;
    case Shape::TitleButton: p.drawRoundedRect(r, 6, 6); break;
    case Shape::OnDisplay: p.drawRoundedRect(r, 8, 8); break;
    }
    const qreal size = b.shape == Shape::Round ? 26 : (b.shape == Shape::TitleButton ? 14 : 20);
    const QPointF centre = r.center() + QPointF(0, GlyphShift(look));
    DrawGlyph(p, b.glyph, centre, size, b.shape == Shape::Round ? InLook(Qt::white, look) : glyph,
              b.shape == Shape::TitleButton ? 1.6 : 2.0);
}

QImage WindowPicture(Look look) {
    QImage image = NewPicture(kMainWidth, kMainHeight, Qt::black);
    QPainter p(&image);
    DrawBody(p);
    for (const ButtonDrawing& b : Buttons()) DrawButton(p, b, look);
    return image;
}

// Pure black outside the rounded body, white inside; drawn without antialiasing so the
// shape is cut exactly.
QImage MaskPicture() {
    QImage image = NewPicture(kMainWidth, kMainHeight, Qt::black);
    QPainter p(&image);
    p.fillPath(BodyPath(0), Qt::white);
    return image;
}

QImage TrackPicture() {
    QImage image = NewPicture(212, 6, colours::kBody);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath track;
    track.addRoundedRect(QRectF(0, 0, 212, 6), 3, 3);
    p.fillPath(track, colours::kRim);
    return image;
}

QImage ThumbPicture() {
    QImage image = NewPicture(18, 18, colours::kBody);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colours::kInset, 2));
    p.setBrush(colours::kDisplay);
    p.drawEllipse(QRectF(1, 1, 16, 16));
    return image;
}

QImage LogoPicture() {
    using namespace colours;
    QImage image = NewPicture(400, 240, kBody);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kTitle);
    p.setFont(SkinFont(76, true));
    p.drawText(QRect(0, 34, 400, 110), Qt::AlignCenter, QStringLiteral("ORV"));
    p.fillRect(QRect(170, 146, 60, 4), kGreen);
    p.setPen(kMuted);
    p.setFont(SkinFont(18));
    p.drawText(QRect(0, 162, 400, 32), Qt::AlignCenter, QStringLiteral("video phone"));
    return image;
}

// The band at the left of the function menu.
QImage FunctionMenuPicture() {
    using namespace colours;
    QImage image = NewPicture(26, 360, kBody);
    QPainter p(&image);
    p.fillRect(QRect(0, 0, 3, 360), kGreen);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(19, 344);
    p.rotate(-90);
    p.setPen(kTitle);
    p.setFont(SkinFont(14, true));
    p.drawText(QPoint(0, 0), QStringLiteral("ORV"));
    return image;
}

QImage ForwardPicture() {
    // Drawn smooth, then cut hard against the transparent colour so no pink fringe remains.
    QImage glyph(kForwardSize, kForwardSize, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    {
        QPainter p(&glyph);
        DrawGlyph(p, Glyph::Forward, QPointF(10, 11), 18, colours::kAmber, 2.4);
    }
    return OnMaskColour(glyph, kMaskColour);
}

QString RectText(const QRect& r) {
    return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool WriteDescription(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
    QTextStream out(&file);
    out << "[Screen]\nMain=Main.bmp\nMask=Mask.bmp\nOver=Over.bmp\nDown=Down.bmp\n"
           "Disabled=Disabled.bmp\n\n[BUTTONINFO]\n";
    int key = 1;
    for (const ButtonDrawing& b : Buttons()) {
        out << key++ << "=" << b.name << ", " << RectText(b.rect) << ", " << b.tooltip << ", F\n";
    }
    out << "\n[TEXTINFO]\n\n[TRACKBARINFO]\n";
    key = 1;
    for (const SliderDrawing& s : kSliders) {
        out << key++ << "=" << s.name << ", Track.bmp, Thumb.bmp, " << RectText(s.rect)
            << ", 0, 100, H, 0\n";
    }
    out << "\n[PROGRESSINFO]\n\n[MESSAGEAREA]\nCALL=" << RectText(kMessageArea) << ","
        << kMessageTextSize << "\nTIME=" << RectText(kTimeArea) << "," << kTimeTextSize
        << "\nSTATUS=" << RectText(kStatusArea) << "," << kStatusTextSize
        << "\n\n[FUNCMENULEFT]\nBMP=FuncMenu.bmp\n\n[FORWARDINFO]\nPOS=" << kForwardPos.x() << ","
        << kForwardPos.y() << "\nMASKCOLOR=" << ColourValue(kMaskColour)
        << "\nBMP=Forward.bmp\n\n[DIALPAD]\nRECT=" << RectText(kDialPadArea)
        << "\nBODY=" << ColourValue(colours::kBody) << "\nKEY=" << ColourValue(colours::kTool)
        << "\nTEXT=" << ColourValue(colours::kGlyph) << "\n";
    out.flush();
    return file.error() == QFile::NoError;
}

} // namespace

bool WriteMainSkin(const QString& folder) {
    const char* lookFiles[] = {"Main.bmp", "Over.bmp", "Down.bmp", "Disabled.bmp"};
    for (int i = 0; i < 4; ++i) {
        if (!SaveBmp(WindowPicture(kLooks[i]), folder + "/" + lookFiles[i])) return false;
    }
    return SaveBmp(MaskPicture(), folder + "/Mask.bmp") &&
           SaveBmp(TrackPicture(), folder + "/Track.bmp") &&
           SaveBmp(ThumbPicture(), folder + "/Thumb.bmp") &&
           SaveBmp(LogoPicture(), folder + "/Logo.bmp") &&
           SaveBmp(FunctionMenuPicture(), folder + "/FuncMenu.bmp") &&
           SaveBmp(ForwardPicture(), folder + "/Forward.bmp") &&
           WriteDescription(folder + "/mainbody.ini");
}

} // namespace skingen
