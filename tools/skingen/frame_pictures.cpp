#include "tools/skingen/frame_pictures.h"

#include "tools/skingen/art.h"

#include <QPainterPath>

namespace skingen {

namespace {

constexpr int kRim = 6;         // side and bottom frame
constexpr int kTopEdge = 30;    // title strip of 24 over the 6-pixel frame
constexpr int kEdgeLength = 96; // length of each edge picture along its edge
constexpr int kCornerLength = 24;
constexpr int kCornerRadius = 10;
constexpr int kButtonSize = 20;

// Each edge picture holds two halves: the active window's look first, then the inactive
// one (a shade darker).
QColor EdgeColour(int half) { return half == 0 ? colours::kBody : InLook(colours::kBody, Look::Down); }

QImage TopPicture() {
    QImage image = NewPicture(kEdgeLength, 2 * kTopEdge, Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int half = 0; half < 2; ++half) {
        QPainterPath path;
        const QRectF band(0, half * kTopEdge, kEdgeLength, kTopEdge);
        path.addRoundedRect(band.adjusted(0, 0, 0, kCornerRadius), kCornerRadius, kCornerRadius);
        p.save();
        p.setClipRect(band);
        p.fillPath(path, colours::kRim);
        QPainterPath inner;
        inner.addRoundedRect(band.adjusted(1, 1, -1, kCornerRadius), kCornerRadius - 1, kCornerRadius - 1);
        p.fillPath(inner, EdgeColour(half));
        p.restore();
    }
    return image;
}

// Left/Right (vertical) or Bottom (horizontal) band with a 1-pixel rim on its outer side.
QImage SidePicture(bool vertical, bool rimAtStart) {
    const int w = vertical ? 2 * kRim : kEdgeLength;
    const int h = vertical ? kEdgeLength : 2 * kRim;
    QImage image = NewPicture(w, h, colours::kBody);
    QPainter p(&image);
    for (int half = 0; half < 2; ++half) {
        const QRect band = vertical ? QRect(half * kRim, 0, kRim, h) : QRect(0, half * kRim, w, kRim);
        p.fillRect(band, EdgeColour(half));
        const QRect rim = vertical ? QRect(rimAtStart ? band.left() : band.right(), 0, 1, h)
                                   : QRect(0, rimAtStart ? band.top() : band.bottom(), w, 1);
        p.fillRect(rim, colours::kRim);
    }
    return image;
}

// Corner masks: black (outside) beyond the rounded top corner, white inside; the lower
// half (bottom corner) stays square.
QImage CornerMask(bool left) {
    QImage image = NewPicture(kCornerRadius, 2 * kCornerLength, Qt::white);
    QPainter p(&image);
    QPainterPath outside;
    outside.addRect(0, 0, kCornerRadius, kCornerRadius);
    QPainterPath round;
    const qreal cx = left ? kCornerRadius : 0;
    round.addEllipse(QPointF(cx, kCornerRadius), kCornerRadius, kCornerRadius);
    p.fillPath(outside.subtracted(round), Qt::black);
    return image;
}

QImage ButtonStrip(Glyph glyph) {
    QImage image = NewPicture(3 * kButtonSize, kButtonSize, colours::kBody);
    QPainter p(&image);
    const Look looks[] = {Look::Normal, Look::Over, Look::Down};
    for (int i = 0; i < 3; ++i) {
        const QRectF cell(i * kButtonSize, 0, kButtonSize, kButtonSize);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(InLook(colours::kBody, looks[i]));
        p.drawRoundedRect(cell, 5, 5);
        DrawGlyph(p, glyph, cell.center() + QPointF(0, GlyphShift(looks[i])), 12,
                  InLook(colours::kGlyph, looks[i]), 1.6);
    }
    return image;
}

} // namespace

bool WriteFrame(const QString& folder, const std::vector<TitleButton>& buttons, QTextStream& out,
                bool withActions) {
    bool ok = SaveBmp(TopPicture(), folder + "/Top.bmp") &&
              SaveBmp(SidePicture(true, true), folder + "/Left.bmp") &&
              SaveBmp(SidePicture(true, false), folder + "/Right.bmp") &&
              SaveBmp(SidePicture(false, false), folder + "/Bottom.bmp") &&
              SaveBmp(CornerMask(true), folder + "/LeftMask.bmp") &&
              SaveBmp(CornerMask(false), folder + "/RightMask.bmp");
    out << "[Personality]\nTop=Top.bmp\nLeft=Left.bmp\nRight=Right.bmp\nBottom=Bottom.bmp\n"
        << "TopTopHeight=" << kCornerLength << "\nTopBotHeight=" << kCornerLength
        << "\nLeftTopHeight=" << kCornerLength << "\nLeftBotHeight=" << kCornerLength
        << "\nRightTopHeight=" << kCornerLength << "\nRightBotHeight=" << kCornerLength
        << "\nBottomTopHeight=" << kCornerLength << "\nBottomBotHeight=" << kCornerLength
        << "\nButtonCount=" << buttons.size() << "\nButtonImgCount=3\nTextShift=12\n"
        << "TextShiftVert=3\nColTrans=0\nFrameWidth=" << kRim
        << "\nLeftMask=LeftMask.bmp\nRightMask=RightMask.bmp\n\n";
    for (std::size_t i = 0; i < buttons.size() && ok; ++i) {
        const QString file = QString::fromLatin1(buttons[i].name).toLower() + ".bmp";
        ok = SaveBmp(ButtonStrip(buttons[i].glyph), folder + "/" + file);
        out << "[Button" << i << "]\nname=" << buttons[i].name << "\nXCoord="
            << buttons[i].xFromRight << "\nYCoord=" << (kTopEdge - kButtonSize) / 2 + 1
            << "\nButtonImage=" << file << "\nAlign=RIGHT\n";
        if (withActions) out << "Action=" << buttons[i].name << "\n";
        out << "\n";
    }
    return ok;
}

bool WriteVideoBackground(const QString& path, int width, int height) {
    QImage image = NewPicture(width, height, colours::kInset);
    QPainter p(&image);
    DrawGlyph(p, Glyph::Video, QPointF(width / 2.0, height / 2.0), 64,
              InLook(colours::kInset, Look::Over), 3);
    return SaveBmp(image, path);
}

} // namespace skingen
