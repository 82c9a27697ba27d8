// Conversion between the client's bottom-up RGB24 pictures (B G R, rows padded to 4 bytes,
// last row first) and the planar pictures the encoders take and the decoders give.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct AVFrame;
struct SwsContext;

namespace orv {

// Bytes per row of a bottom-up RGB24 picture: width x 3 rounded up to a multiple of 4.
constexpr std::size_t Rgb24Stride(int width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}
constexpr std::size_t Rgb24ImageSize(int width, int height) {
    return Rgb24Stride(width) * static_cast<std::size_t>(height);
}

// Runs scaler (set up for srcHeight source rows and a width x height BGR24 picture) into a
// top-down scratch picture with padded rows (the scaler may write past a row's end), then
// copies the rows bottom-up into out, which holds Rgb24ImageSize(width, height) bytes.
bool ScaleToBottomUpRgb24(SwsContext* scaler, const std::uint8_t* const planes[], const int strides[],
                          int srcHeight, int width, int height, std::vector<std::uint8_t>& scratch,
                          std::uint8_t* out);

class Rgb24Converter {
public:
    Rgb24Converter() = default;
    ~Rgb24Converter();
    Rgb24Converter(const Rgb24Converter&) = delete;
    Rgb24Converter& operator=(const Rgb24Converter&) = delete;

    // Fills frame (already allocated at its width, height and format) from a picture of the
    // same size. bitsLength must hold every row.
    bool FromRgb24(const std::uint8_t* bits, std::size_t bitsLength, AVFrame* frame);
    // Writes frame into a width x height picture, scaling when the sizes differ.
    bool ToRgb24(const AVFrame* frame, std::uint8_t* out, std::size_t outLength, int width, int height);

private:
    SwsContext* m_context = nullptr;
    std::vector<std::uint8_t> m_scratch; // top-down rows for the scaler
};

} // namespace orv
