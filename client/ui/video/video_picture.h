// A video picture as the client moves it: a 40-byte bitmap header and bottom-up RGB24 rows
// (blue, green, red; each row padded to four bytes). Pictures come from the camera and from
// the peer's decoder, so every header is checked before its bits are read.
#pragma once

#include "client/media/bitmap_info_header.h"
#include "client/video/capture/video_source.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <vector>

class QPainter;

namespace orv {

// Larger pictures are refused (no camera or codec of the client makes them).
constexpr int kMaxVideoPictureSide = 4096;

struct VideoPicture {
    BitmapInfoHeader header;
    std::vector<std::uint8_t> bits;
    bool Empty() const { return bits.empty(); }
};

// The header of a bottom-up RGB24 picture of that size.
BitmapInfoHeader Rgb24Header(int width, int height);
// Bytes of the whole picture a header describes (0 when it is not drawable RGB24).
std::size_t Rgb24ImageBytes(const BitmapInfoHeader& header);
// True for uncompressed 24-bit RGB of a sane size whose rows fit in available bytes.
bool IsDrawableRgb24(const BitmapInfoHeader& header, std::size_t available);

// The picture as an upright image (a copy); a null image when the header is not drawable.
QImage PictureImage(const BitmapInfoHeader& header, const std::uint8_t* bits, std::size_t available);
inline QImage PictureImage(const VideoPicture& picture) {
    return PictureImage(picture.header, picture.bits.data(), picture.bits.size());
}

// Stretches the picture over target without copying it (bottom-up rows are turned upright
// by the painter). False, and nothing drawn, when the header is not drawable.
bool DrawPicture(QPainter& painter, const QRect& target, const BitmapInfoHeader& header,
                 const std::uint8_t* bits, std::size_t available);

// A copy of the first Rgb24ImageBytes(header) bytes, with biSizeImage set to that length;
// an empty picture when the header is not drawable.
VideoPicture CopyPicture(const BitmapInfoHeader& header, const std::uint8_t* bits, std::size_t available);

// The picture with every pixel of the mask colour made transparent (skin icons).
QImage WithoutMaskColour(const QImage& picture, const QColor& mask);

} // namespace orv
