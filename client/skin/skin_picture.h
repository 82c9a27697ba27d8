// Skin pictures are outside input: their size is checked before they are decoded, and a
// face is only cut when the control's rectangle lies wholly inside the picture.
#pragma once

#include "client/skin/skin_description.h"

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <string>

namespace orv {

// Largest picture we decode (either side); a bitmap header claiming more is refused
// before any pixel memory is taken.
constexpr int kMaxSkinPictureSide = 4096;

// Loads the picture at path; a null image when the path is empty, the file is missing or
// damaged, or it claims a size beyond the limit (each failure is logged).
QImage LoadSkinPicture(const std::string& path);

QRect ToQRect(const SkinRect& rect);

// The part of picture under rect; a null pixmap when the picture is null or rect is empty
// or reaches outside it.
QPixmap CutSkinFace(const QImage& picture, const SkinRect& rect);

// A picture drawn at size (in window pixels) on a screen of the given pixel ratio: resampled
// once, smoothly, to the screen's own pixels, so it is drawn without further scaling. The
// picture itself when no resampling is needed.
QImage ResampleSkinPicture(const QImage& picture, QSize size, qreal ratio);

// The face under rect (window pixels) of a picture resampled for ratio; rounding may take a
// pixel off at the picture's edge, a rectangle further outside gives a null pixmap.
QPixmap CutResampledFace(const QImage& picture, const QRect& rect);

} // namespace orv
