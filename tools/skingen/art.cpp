#include "tools/skingen/art.h"

#include <algorithm>
#include <cstdio>

namespace skingen {

QColor Mix(const QColor& a, const QColor& b, double amountOfB) {
    const auto mix = [amountOfB](int x, int y) {
        return std::clamp(static_cast<int>(x + (y - x) * amountOfB + 0.5), 0, 255);
    };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

QColor InLook(const QColor& colour, Look look, const QColor& background) {
    switch (look) {
    case Look::Normal: return colour;
    case Look::Over: return Mix(colour, Qt::white, 0.12);
    case Look::Down: return Mix(colour, Qt::black, 0.15);
    case Look::Disabled: {
        const int grey = qGray(colour.rgb());
        return Mix(background, QColor(grey, grey, grey), 0.4);
    }
    }
    return colour;
}

int GlyphShift(Look look) { return look == Look::Down ? 1 : 0; }

QImage NewPicture(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

void SetGlyphPen(QPainter& painter, const QColor& colour, qreal width) {
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
}

QFont SkinFont(int pixelSize, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(pixelSize, 11));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

bool SaveBmp(const QImage& image, const QString& path) {
    if (image.convertToFormat(QImage::Format_RGB888).save(path, "BMP")) return true;
    std::fprintf(stderr, "skingen: cannot write %s\n", path.toUtf8().constData());
    return false;
}

QImage OnMaskColour(const QImage& argb, const QColor& mask) {
    QImage image = NewPicture(argb.width(), argb.height(), mask);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QColor c = argb.pixelColor(x, y);
            if (c.alpha() >= 128) image.setPixelColor(x, y, QColor(c.red(), c.green(), c.blue()));
        }
    }
    return image;
}

unsigned ColourValue(const QColor& colour) {
    return static_cast<unsigned>(colour.red()) | static_cast<unsigned>(colour.green()) << 8 |
           static_cast<unsigned>(colour.blue()) << 16;
}

} // namespace skingen
