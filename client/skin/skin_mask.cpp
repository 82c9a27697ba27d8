#include "client/skin/skin_mask.h"

#include <QRect>
#include <vector>

namespace orv {

namespace {

// Rectangles joined into the shape at a time: one region per batch keeps each union cheap.
constexpr std::size_t kRectsPerBatch = 2000;

bool InRange(int value, SkinColourRange range) { return value >= range.low && value <= range.high; }

void JoinBatch(std::vector<QRect>* rects, QRegion* shape) {
    if (rects->empty()) return;
    QRegion batch;
    // Runs come sorted by row, then by column, and never overlap: the banded form setRects wants.
    batch.setRects(rects->data(), static_cast<int>(rects->size()));
    *shape += batch;
    rects->clear();
}

} // namespace

QRegion RegionFromMask(const QImage& mask, SkinColourRange transparent) {
    if (mask.isNull()) return QRegion();
    const QImage pixels = mask.convertToFormat(QImage::Format_RGB32);
    QRegion shape;
    std::vector<QRect> rects;
    rects.reserve(kRectsPerBatch);
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        int x = 0;
        while (x < pixels.width()) {
            const auto clear = [&](int at) {
                const QRgb p = row[at];
                return InRange(qRed(p), transparent) && InRange(qGreen(p), transparent) &&
                       InRange(qBlue(p), transparent);
            };
            while (x < pixels.width() && clear(x)) ++x;
            const int start = x;
            while (x < pixels.width() && !clear(x)) ++x;
            if (x > start) rects.emplace_back(start, y, x - start, 1);
            if (rects.size() == kRectsPerBatch) JoinBatch(&rects, &shape);
        }
    }
    JoinBatch(&rects, &shape);
    return shape;
}

} // namespace orv
