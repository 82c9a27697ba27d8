#include "client/video/capture/test_pattern_camera.h"

#include "client/video/capture/paced_camera.h"

#include <algorithm>
#include <cstdlib>

namespace orv {

namespace {

// The frame number code: a band across the top of kCodeRows x kCodeColumns cells, sized in
// proportion to the picture so that it survives scaling. Bit k of
// the number fills cell 2k, its complement cell 2k + 1, so every pair must read as one
// black and one white cell: a picture without the code is recognised as such.
constexpr int kCodeColumns = 16;
constexpr int kCodeRows = kFrameNumberBits * 2 / kCodeColumns;
constexpr int kMinContrast = 64;

struct Rgb {
    std::uint8_t r, g, b;
};

constexpr Rgb kBars[] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                         {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {60, 60, 60}};

constexpr int kRowsPerPicture = 12; // a code row is a twelfth of the picture's height

// Edges of a code cell in pixels from the top-left corner.
struct CellBox {
    int x0, y0, x1, y1;
};

CellBox CellAt(int column, int row, int width, int height) {
    return {column * width / kCodeColumns, row * height / kRowsPerPicture,
            (column + 1) * width / kCodeColumns, (row + 1) * height / kRowsPerPicture};
}

// Pixel (x, y) counted from the top-left corner of a bottom-up picture.
template <typename Byte> Byte* PixelAt(Byte* bits, int width, int height, int x, int y) {
    return bits + Rgb24Stride(width) * static_cast<std::size_t>(height - 1 - y) +
           static_cast<std::size_t>(x) * 3;
}

void Fill(std::uint8_t* bits, int width, int height, int x0, int y0, int x1, int y1, Rgb colour) {
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* p = PixelAt(bits, width, height, x0, y);
        for (int x = x0; x < x1; ++x, p += 3) {
            p[0] = colour.b;
            p[1] = colour.g;
            p[2] = colour.r;
        }
    }
}

bool CellBit(std::uint16_t number, int cell) {
    const bool bit = (number >> (cell / 2)) & 1;
    return (cell % 2 == 0) ? bit : !bit;
}

// Mean luma of the middle half of a cell.
int CellLuma(const VideoFrame& frame, int column, int row) {
    const CellBox box = CellAt(column, row, frame.width, frame.height);
    const int quarterW = (box.x1 - box.x0) / 4, quarterH = (box.y1 - box.y0) / 4;
    const int x0 = box.x0 + quarterW, x1 = box.x1 - quarterW;
    const int y0 = box.y0 + quarterH, y1 = box.y1 - quarterH;
    long sum = 0, count = 0;
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* p = PixelAt(frame.bits, frame.width, frame.height, x0, y);
        for (int x = x0; x < x1; ++x, p += 3, ++count)
            sum += (p[0] * 29 + p[1] * 150 + p[2] * 77) >> 8;
    }
    return count ? static_cast<int>(sum / count) : 0;
}

class TestPatternCamera final : public PacedCamera {
  public:
    using PacedCamera::PacedCamera;
    ~TestPatternCamera() override { Stop(); }

  protected:
    bool NextPicture(std::uint8_t* out, std::uint64_t frameIndex) override {
        DrawTestPattern(static_cast<std::uint32_t>(frameIndex), Format().width, Format().height,
                        out);
        return true;
    }
};

} // namespace

void DrawTestPattern(std::uint32_t frameNumber, int width, int height, std::uint8_t* bits) {
    const int band = kCodeRows * height / kRowsPerPicture;
    const int barWidth = std::max(1, width / 8);
    const int shift = static_cast<int>(frameNumber * 2 % static_cast<std::uint32_t>(width));
    for (int x = 0; x < width; ++x) {
        const Rgb bar = kBars[((x + shift) / barWidth) % 8];
        Fill(bits, width, height, x, band, x + 1, height, bar);
    }
    // A dark sweeping bar and a bright square that moves diagonally give the codecs motion.
    const int sweep = static_cast<int>(frameNumber * 4 % static_cast<std::uint32_t>(width));
    Fill(bits, width, height, sweep, band, std::min(width, sweep + 6), height, {16, 16, 16});
    const int side = std::max(4, height / 8);
    const int span = std::max(1, height - band - side);
    const int pos = static_cast<int>(frameNumber * 3 % static_cast<std::uint32_t>(span));
    Fill(bits, width, height, pos % std::max(1, width - side), band + pos,
         pos % std::max(1, width - side) + side, band + pos + side, {250, 250, 250});

    const auto number = static_cast<std::uint16_t>(frameNumber);
    Fill(bits, width, height, 0, 0, width, band, {128, 128, 128});
    for (int cell = 0; cell < kCodeColumns * kCodeRows; ++cell) {
        const int column = cell % kCodeColumns, row = cell / kCodeColumns;
        const std::uint8_t level = CellBit(number, cell) ? 235 : 16;
        const CellBox box = CellAt(column, row, width, height);
        Fill(bits, width, height, box.x0, box.y0, box.x1, box.y1, {level, level, level});
    }
}

std::optional<std::uint16_t> ReadTestPatternFrameNumber(const VideoFrame& frame) {
    if (frame.bits == nullptr || frame.width < 64 || frame.height < 48 ||
        frame.length < Rgb24ImageSize(frame.width, frame.height)) {
        return std::nullopt;
    }
    std::uint16_t number = 0;
    for (int bit = 0; bit < kFrameNumberBits; ++bit) {
        const int cell = bit * 2;
        const int one = CellLuma(frame, cell % kCodeColumns, cell / kCodeColumns);
        const int other = CellLuma(frame, (cell + 1) % kCodeColumns, (cell + 1) / kCodeColumns);
        if (std::abs(one - other) < kMinContrast) return std::nullopt;
        if (one > other) number = static_cast<std::uint16_t>(number | (1u << bit));
    }
    return number;
}

std::unique_ptr<VideoSource> OpenTestPatternCamera(const VideoFormat& format,
                                                   std::shared_ptr<PacingClock> clock) {
    return std::make_unique<TestPatternCamera>(format, std::move(clock));
}

} // namespace orv
