#include "client/media/bitmap_info_header.h"

namespace orv {

namespace {

std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace

bool ReadBitmapInfoHeader(const std::uint8_t* data, std::size_t length, BitmapInfoHeader& h) {
    if (data == nullptr || length < kBitmapInfoHeaderBytes) return false;
    h.biSize = GetU32(data);
    h.biWidth = static_cast<std::int32_t>(GetU32(data + 4));
    h.biHeight = static_cast<std::int32_t>(GetU32(data + 8));
    h.biPlanes = GetU16(data + 12);
    h.biBitCount = GetU16(data + 14);
    h.biCompression = GetU32(data + 16);
    h.biSizeImage = GetU32(data + 20);
    h.biXPelsPerMeter = static_cast<std::int32_t>(GetU32(data + 24));
    h.biYPelsPerMeter = static_cast<std::int32_t>(GetU32(data + 28));
    h.biClrUsed = GetU32(data + 32);
    h.biClrImportant = GetU32(data + 36);
    return true;
}

void WriteBitmapInfoHeader(const BitmapInfoHeader& h, std::uint8_t* out) {
    PutU32(out, h.biSize);
    PutU32(out + 4, static_cast<std::uint32_t>(h.biWidth));
    PutU32(out + 8, static_cast<std::uint32_t>(h.biHeight));
    PutU16(out + 12, h.biPlanes);
    PutU16(out + 14, h.biBitCount);
    PutU32(out + 16, h.biCompression);
    PutU32(out + 20, h.biSizeImage);
    PutU32(out + 24, static_cast<std::uint32_t>(h.biXPelsPerMeter));
    PutU32(out + 28, static_cast<std::uint32_t>(h.biYPelsPerMeter));
    PutU32(out + 32, h.biClrUsed);
    PutU32(out + 36, h.biClrImportant);
}

std::uint64_t DescribedFrameLength(const BitmapInfoHeader& h) {
    return static_cast<std::uint64_t>(h.biSize) + 4ull * h.biClrUsed + h.biSizeImage;
}

} // namespace orv
