// The window shape made from a mask picture: every pixel whose red, green and blue all lie
// in the transparent range is outside the window.
#pragma once

#include <QImage>
#include <QRegion>

namespace orv {

struct SkinColourRange {
    int low = 0;
    int high = 0x10; // the main window's range: black and near-black
};

// Scans the picture row by row; each run of opaque pixels becomes a rectangle of height 1,
// and the rectangles are joined into the region in batches. An empty region for a null
// picture (the caller then leaves the window unshaped).
QRegion RegionFromMask(const QImage& mask, SkinColourRange transparent = {});

} // namespace orv
