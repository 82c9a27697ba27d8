#include "tools/skingen/glyphs.h"

#include "tools/skingen/art.h"

#include <QPainterPath>
#include <QtMath>

namespace skingen {

namespace {

// A telephone handset as a filled path, 1 unit tall, centred on the origin, earpiece up.
QPainterPath Handset() {
    QPainterPath path;
    path.moveTo(-0.10, -0.50);
    path.cubicTo(-0.36, -0.46, -0.42, -0.30, -0.40, -0.10);
    path.cubicTo(-0.36, 0.18, -0.16, 0.40, 0.12, 0.50);
    path.cubicTo(0.26, 0.54, 0.36, 0.46, 0.40, 0.34);
    path.lineTo(0.26, 0.20);
    path.cubicTo(0.20, 0.15, 0.12, 0.16, 0.07, 0.22);
    path.cubicTo(-0.06, 0.14, -0.14, 0.00, -0.16, -0.16);
    path.cubicTo(-0.08, -0.20, -0.04, -0.26, -0.06, -0.34);
    path.closeSubpath();
    return path;
}

void Fill(QPainter& p, const QPainterPath& path, const QColor& colour) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
    p.restore();
}

void Arrowhead(QPainter& p, QPointF tip, qreal angleDegrees, qreal length) {
    const qreal a = qDegreesToRadians(angleDegrees);
    for (qreal side : {-0.6, 0.6}) {
        p.drawLine(tip, tip - QPointF(std::cos(a + side), -std::sin(a + side)) * length);
    }
}

} // namespace

void DrawGlyph(QPainter& p, Glyph glyph, QPointF c, qreal s, const QColor& colour, qreal stroke) {
    p.save();
    SetGlyphPen(p, colour, stroke);
    p.translate(c);
    const qreal h = s / 2; // half size
    switch (glyph) {
    case Glyph::Close:
        p.drawLine(QPointF(-h * 0.6, -h * 0.6), QPointF(h * 0.6, h * 0.6));
        p.drawLine(QPointF(-h * 0.6, h * 0.6), QPointF(h * 0.6, -h * 0.6));
        break;
    case Glyph::Minimise: p.drawLine(QPointF(-h * 0.6, h * 0.4), QPointF(h * 0.6, h * 0.4)); break;
    case Glyph::Restore: p.drawRect(QRectF(-h * 0.55, -h * 0.55, h * 1.1, h * 1.1)); break;
    case Glyph::Home: {
        QPainterPath roof;
        roof.moveTo(-h * 0.8, -h * 0.05);
        roof.lineTo(0, -h * 0.8);
        roof.lineTo(h * 0.8, -h * 0.05);
        p.drawPath(roof);
        p.drawPolyline(QPolygonF({QPointF(-h * 0.55, -h * 0.25), QPointF(-h * 0.55, h * 0.7),
                                  QPointF(h * 0.55, h * 0.7), QPointF(h * 0.55, -h * 0.25)}));
        break;
    }
    case Glyph::Call:
    case Glyph::HangUp: {
        QTransform t;
        t.rotate(glyph == Glyph::Call ? 0 : 135);
        t.scale(s, s);
        Fill(p, t.map(Handset()), colour);
        break;
    }
    case Glyph::Redial:
        p.drawArc(QRectF(-h * 0.7, -h * 0.7, h * 1.4, h * 1.4), 60 * 16, 280 * 16);
        Arrowhead(p, QPointF(h * 0.35, -h * 0.61), 10, h * 0.45);
        break;
    case Glyph::Menu:
        for (qreal y : {-0.5, 0.0, 0.5}) p.drawLine(QPointF(-h * 0.7, h * y), QPointF(h * 0.7, h * y));
        break;
    case Glyph::Friends:
        p.drawEllipse(QPointF(0, -h * 0.35), h * 0.35, h * 0.35);
        p.drawArc(QRectF(-h * 0.75, h * 0.15, h * 1.5, h * 1.3), 0, 180 * 16);
        break;
    case Glyph::CallLists:
        for (qreal y : {-0.55, 0.0, 0.55}) {
            p.drawPoint(QPointF(-h * 0.7, h * y));
            p.drawLine(QPointF(-h * 0.3, h * y), QPointF(h * 0.75, h * y));
        }
        break;
    case Glyph::Video:
    case Glyph::Camera:
        p.drawRoundedRect(QRectF(-h * 0.85, -h * 0.5, h * 1.15, h * 1.0), h * 0.15, h * 0.15);
        p.drawPolygon(QPolygonF({QPointF(h * 0.35, -h * 0.1), QPointF(h * 0.85, -h * 0.45),
                                 QPointF(h * 0.85, h * 0.45), QPointF(h * 0.35, h * 0.1)}));
        if (glyph == Glyph::Camera) p.drawEllipse(QPointF(-h * 0.27, 0), h * 0.2, h * 0.2);
        break;
    case Glyph::Help: {
        p.drawEllipse(QPointF(0, 0), h * 0.85, h * 0.85);
        QPainterPath q;
        q.moveTo(-h * 0.28, -h * 0.22);
        q.cubicTo(-h * 0.28, -h * 0.6, h * 0.32, -h * 0.6, h * 0.3, -h * 0.22);
        q.cubicTo(h * 0.28, h * 0.02, 0, h * 0.02, 0, h * 0.22);
        p.drawPath(q);
        p.drawPoint(QPointF(0, h * 0.5));
        break;
    }
    case Glyph::Speaker:
        p.drawPolygon(QPolygonF({QPointF(-h * 0.8, -h * 0.25), QPointF(-h * 0.45, -h * 0.25),
                                 QPointF(-h * 0.05, -h * 0.65), QPointF(-h * 0.05, h * 0.65),
                                 QPointF(-h * 0.45, h * 0.25), QPointF(-h * 0.8, h * 0.25)}));
        p.drawArc(QRectF(-h * 0.45, -h * 0.45, h * 0.9, h * 0.9), -50 * 16, 100 * 16);
        p.drawArc(QRectF(-h * 0.85, -h * 0.85, h * 1.7, h * 1.7), -50 * 16, 100 * 16);
        break;
    case Glyph::Microphone:
        p.drawRoundedRect(QRectF(-h * 0.28, -h * 0.85, h * 0.56, h * 1.05), h * 0.28, h * 0.28);
        p.drawArc(QRectF(-h * 0.6, -h * 0.5, h * 1.2, h * 1.0), 180 * 16, 180 * 16);
        p.drawLine(QPointF(0, h * 0.5), QPointF(0, h * 0.85));
        break;
    case Glyph::Forward:
        p.drawArc(QRectF(-h * 0.7, -h * 0.3, h * 1.2, h * 1.2), 90 * 16, 90 * 16);
        p.drawLine(QPointF(-h * 0.1, -h * 0.3), QPointF(h * 0.75, -h * 0.3));
        Arrowhead(p, QPointF(h * 0.75, -h * 0.3), 180, h * 0.4);
        break;
    case Glyph::Zoom:
        p.drawEllipse(QPointF(-h * 0.15, -h * 0.15), h * 0.55, h * 0.55);
        p.drawLine(QPointF(h * 0.25, h * 0.25), QPointF(h * 0.75, h * 0.75));
        break;
    case Glyph::SmallVideo:
        p.drawRect(QRectF(-h * 0.8, -h * 0.6, h * 1.6, h * 1.2));
        p.drawRect(QRectF(h * 0.05, h * 0.0, h * 0.55, h * 0.4));
        break;
    case Glyph::VideoSwitch:
        p.drawLine(QPointF(-h * 0.7, -h * 0.3), QPointF(h * 0.7, -h * 0.3));
        Arrowhead(p, QPointF(h * 0.7, -h * 0.3), 0, h * 0.35);
        p.drawLine(QPointF(h * 0.7, h * 0.3), QPointF(-h * 0.7, h * 0.3));
        Arrowhead(p, QPointF(-h * 0.7, h * 0.3), 180, h * 0.35);
        break;
    case Glyph::Play: {
        QPainterPath tri;
        tri.addPolygon(QPolygonF({QPointF(-h * 0.4, -h * 0.6), QPointF(h * 0.6, 0),
                                  QPointF(-h * 0.4, h * 0.6)}));
        tri.closeSubpath();
        p.drawPath(tri);
        break;
    }
    case Glyph::Pause:
        p.drawLine(QPointF(-h * 0.3, -h * 0.55), QPointF(-h * 0.3, h * 0.55));
        p.drawLine(QPointF(h * 0.3, -h * 0.55), QPointF(h * 0.3, h * 0.55));
        break;
    case Glyph::Settings:
        for (qreal y : {-0.5, 0.0, 0.5}) p.drawLine(QPointF(-h * 0.75, h * y), QPointF(h * 0.75, h * y));
        for (auto [x, y] : {std::pair{-0.3, -0.5}, {0.35, 0.0}, {-0.1, 0.5}}) {
            p.setBrush(p.pen().color());
            p.drawEllipse(QPointF(h * x, h * y), h * 0.14, h * 0.14);
        }
        break;
    case Glyph::Check:
        p.drawPolyline(QPolygonF({QPointF(-h * 0.6, 0), QPointF(-h * 0.15, h * 0.45),
                                  QPointF(h * 0.65, -h * 0.45)}));
        break;
    case Glyph::Invite:
        p.drawEllipse(QPointF(-h * 0.2, -h * 0.35), h * 0.3, h * 0.3);
        p.drawArc(QRectF(-h * 0.8, h * 0.15, h * 1.2, h * 1.2), 0, 180 * 16);
        p.drawLine(QPointF(h * 0.55, -h * 0.25), QPointF(h * 0.55, h * 0.25));
        p.drawLine(QPointF(h * 0.3, 0), QPointF(h * 0.8, 0));
        break;
    case Glyph::Leave:
        p.drawPolyline(QPolygonF({QPointF(h * 0.1, -h * 0.75), QPointF(-h * 0.7, -h * 0.75),
                                  QPointF(-h * 0.7, h * 0.75), QPointF(h * 0.1, h * 0.75)}));
        p.drawLine(QPointF(-h * 0.2, 0), QPointF(h * 0.8, 0));
        Arrowhead(p, QPointF(h * 0.8, 0), 0, h * 0.35);
        break;
    case Glyph::Register:
        p.drawRoundedRect(QRectF(-h * 0.75, -h * 0.6, h * 1.5, h * 1.2), h * 0.15, h * 0.15);
        p.drawLine(QPointF(0, -h * 0.3), QPointF(0, h * 0.3));
        p.drawLine(QPointF(-h * 0.3, 0), QPointF(h * 0.3, 0));
        break;
    case Glyph::Envelope:
        p.drawRoundedRect(QRectF(-h * 0.8, -h * 0.55, h * 1.6, h * 1.1), h * 0.1, h * 0.1);
        p.drawPolyline(QPolygonF({QPointF(-h * 0.8, -h * 0.5), QPointF(0, h * 0.1), QPointF(h * 0.8, -h * 0.5)}));
        break;
    case Glyph::Info:
        p.drawEllipse(QPointF(0, 0), h * 0.85, h * 0.85);
        p.drawLine(QPointF(0, -h * 0.05), QPointF(0, h * 0.45));
        p.drawPoint(QPointF(0, -h * 0.4));
        break;
    case Glyph::Lock:
        p.drawRoundedRect(QRectF(-h * 0.6, -h * 0.1, h * 1.2, h * 0.9), h * 0.12, h * 0.12);
        p.drawArc(QRectF(-h * 0.38, -h * 0.8, h * 0.76, h * 1.1), 0, 180 * 16);
        p.drawLine(QPointF(-h * 0.38, -h * 0.25), QPointF(-h * 0.38, -h * 0.1));
        p.drawLine(QPointF(h * 0.38, -h * 0.25), QPointF(h * 0.38, -h * 0.1));
        break;
    case Glyph::Voicemail:
        p.drawEllipse(QPointF(-h * 0.45, h * 0.05), h * 0.32, h * 0.32);
        p.drawEllipse(QPointF(h * 0.45, h * 0.05), h * 0.32, h * 0.32);
        p.drawLine(QPointF(-h * 0.45, h * 0.37), QPointF(h * 0.45, h * 0.37));
        break;
    case Glyph::Card:
        p.drawRoundedRect(QRectF(-h * 0.85, -h * 0.55, h * 1.7, h * 1.1), h * 0.15, h * 0.15);
        p.drawLine(QPointF(-h * 0.85, -h * 0.2), QPointF(h * 0.85, -h * 0.2));
        p.drawLine(QPointF(-h * 0.55, h * 0.25), QPointF(-h * 0.15, h * 0.25));
        break;
    case Glyph::DialPad: // three by three keys and the 0 under them, as dots
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 3; ++column) {
                if (row == 3 && column != 1) continue;
                p.drawEllipse(QPointF(h * 0.62 * (column - 1), h * 0.56 * (row - 1.5)), stroke * 0.85, stroke * 0.85);
            }
        }
        break;
    }
    p.restore();
}

} // namespace skingen
