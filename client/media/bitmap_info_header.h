// The 40-byte bitmap header that leads every video frame on the wire: it describes the
// compressed picture and is stored little-endian, field by field.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

constexpr std::size_t kBitmapInfoHeaderBytes = 40;

struct BitmapInfoHeader {
    std::uint32_t biSize = kBitmapInfoHeaderBytes;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0; // four-character code of the codec
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0; // 1 marks a key frame in frames sent to the peer
};

// Reads the header from the first 40 bytes; false when fewer are given.
bool ReadBitmapInfoHeader(const std::uint8_t* data, std::size_t length, BitmapInfoHeader& header);
void WriteBitmapInfoHeader(const BitmapInfoHeader& header, std::uint8_t* out);

// Length of a whole frame as the header describes it: biSize + 4 x biClrUsed + biSizeImage,
// computed without overflow.
std::uint64_t DescribedFrameLength(const BitmapInfoHeader& header);

} // namespace orv
