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
std::size_t Rgb24RowBytes(int width);

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
