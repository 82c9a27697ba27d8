#include "client/media/bitmap_info_header.h"

#include "wire/byte_order.h"

namespace orv {

bool ReadBitmapInfoHeader(const std::uint8_t* data, std::size_t length, BitmapInfoHeader& h) {
    if (data == nullptr || length < kBitmapInfoHeaderBytes) return false;
    h.biSize = GetU32LE(data);
    h.biWidth = static_cast<std::int32_t>(GetU32LE(data + 4));
    h.biHeight = static_cast<std::int32_t>(GetU32LE(data + 8));
    h.biPlanes = GetU16LE(data + 12);
    h.biBitCount = GetU16LE(data + 14);
    h.biCompression = GetU32LE(data + 16);
    h.biSizeImage = GetU32LE(data + 20);
    h.biXPelsPerMeter = static_cast<std::int32_t>(GetU32LE(data + 24));
    h.biYPelsPerMeter = static_cast<std::int32_t>(GetU32LE(data + 28));
    h.biClrUsed = GetU32LE(data + 32);
    h.biClrImportant = GetU32LE(data + 36);
    return true;
}

void WriteBitmapInfoHeader(const BitmapInfoHeader& h, std::uint8_t* out) {
    PutU32LE(out, h.biSize);
    PutU32LE(out + 4, static_cast<std::uint32_t>(h.biWidth));
    PutU32LE(out + 8, static_cast<std::uint32_t>(h.biHeight));
    PutU16LE(out + 12, h.biPlanes);
    PutU16LE(out + 14, h.biBitCount);
    PutU32LE(out + 16, h.biCompression);
    PutU32LE(out + 20, h.biSizeImage);
    PutU32LE(out + 24, static_cast<std::uint32_t>(h.biXPelsPerMeter));
    PutU32LE(out + 28, static_cast<std::uint32_t>(h.biYPelsPerMeter));
    PutU32LE(out + 32, h.biClrUsed);
    PutU32LE(out + 36, h.biClrImportant);
}

std::uint64_t DescribedFrameLength(const BitmapInfoHeader& h) {
    return static_cast<std::uint64_t>(h.biSize) + 4ull * h.biClrUsed + h.biSizeImage;
}

} // namespace orv
