#include "client/ui/video/video_picture.h"

#include <QPainter>
#include <cstdlib>

namespace orv {

namespace {

constexpr std::uint32_t kBiRgb = 0;

// A view of the rows as stored, bottom row first when the height is positive.
QImage StoredRows(const BitmapInfoHeader& header, const std::uint8_t* bits) {
    return QImage(bits, header.biWidth, std::abs(header.biHeight), static_cast<qsizetype>(Rgb24Stride(header.biWidth)),
                  QImage::Format_BGR888);
}

bool BottomUp(const BitmapInfoHeader& header) { return header.biHeight > 0; }

} // namespace

BitmapInfoHeader Rgb24Header(int width, int height) {
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = 24;
    header.biCompression = kBiRgb;
    header.biSizeImage = static_cast<std::uint32_t>(Rgb24Stride(width) * static_cast<std::size_t>(height > 0 ? height : 0));
    return header;
}

std::size_t Rgb24ImageBytes(const BitmapInfoHeader& header) {
    if (header.biBitCount != 24 || header.biCompression != kBiRgb) return 0;
    if (header.biWidth <= 0 || header.biWidth > kMaxVideoPictureSide) return 0;
    // The height's sign only says which row comes first; INT32_MIN has no magnitude.
    if (header.biHeight == 0 || header.biHeight < -kMaxVideoPictureSide || header.biHeight > kMaxVideoPictureSide)
        return 0;
    return Rgb24Stride(header.biWidth) * static_cast<std::size_t>(std::abs(header.biHeight));
}

bool IsDrawableRgb24(const BitmapInfoHeader& header, std::size_t available) {
    const std::size_t bytes = Rgb24ImageBytes(header);
    return bytes > 0 && bytes <= available;
}

QImage PictureImage(const BitmapInfoHeader& header, const std::uint8_t* bits, std::size_t available) {
    if (bits == nullptr || !IsDrawableRgb24(header, available)) return QImage();
    QImage stored = StoredRows(header, bits);
    return BottomUp(header) ? stored.mirrored(false, true) : stored.copy();
}

bool DrawPicture(QPainter& painter, const QRect& target, const BitmapInfoHeader& header, const std::uint8_t* bits,
                 std::size_t available) {
    if (bits == nullptr || !IsDrawableRgb24(header, available) || target.isEmpty()) return false;
    const QImage stored = StoredRows(header, bits);
    if (!BottomUp(header)) {
        painter.drawImage(target, stored);
        return true;
    }
    painter.save();
    // Upside down about the target's middle: the first stored row lands at the bottom.
    painter.translate(0, target.top() + target.bottom() + 1);
    painter.scale(1, -1);
    painter.drawImage(target, stored);
    painter.restore();
    return true;
}

VideoPicture CopyPicture(const BitmapInfoHeader& header, const std::uint8_t* bits, std::size_t available) {
    VideoPicture picture;
    if (bits == nullptr || !IsDrawableRgb24(header, available)) return picture;
    const std::size_t bytes = Rgb24ImageBytes(header);
    picture.header = header;
    picture.header.biSize = kBitmapInfoHeaderBytes;
    picture.header.biSizeImage = static_cast<std::uint32_t>(bytes);
    picture.header.biClrUsed = 0;
    picture.header.biClrImportant = 0;
    picture.bits.assign(bits, bits + bytes);
    return picture;
}

QImage WithoutMaskColour(const QImage& picture, const QColor& mask) {
    if (picture.isNull()) return picture;
    QImage masked = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = mask.rgb() & 0xFFFFFF;
    for (int y = 0; y < masked.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x) {
            if ((row[x] & 0xFFFFFF) == key) row[x] = 0;
        }
    }
    return masked;
}

} // namespace orv
