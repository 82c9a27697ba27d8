#include "client/video/codec/rgb24_picture.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace orv {

namespace {

constexpr std::size_t kScratchPadding = 64;

int ScratchStride(int width) { return (width * 3 + 63) & ~63; }

} // namespace

std::size_t Rgb24RowBytes(int width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}

Rgb24Converter::~Rgb24Converter() { sws_freeContext(m_context); }

bool Rgb24Converter::FromRgb24(const std::uint8_t* bits, std::size_t bitsLength, AVFrame* frame) {
    const int width = frame->width;
    const int height = frame->height;
    const std::size_t stride = Rgb24RowBytes(width);
    if (bits == nullptr || width <= 0 || height <= 0 || bitsLength < stride * static_cast<std::size_t>(height)) {
        return false;
    }
    m_context = sws_getCachedContext(m_context, width, height, AV_PIX_FMT_BGR24, width, height,
                                     static_cast<AVPixelFormat>(frame->format), SWS_BILINEAR, nullptr, nullptr,
                                     nullptr);
    if (m_context == nullptr) return false;
    // The rows are turned the right way round in a padded copy: the scaler's vector code may
    // read and write a little past the end of a row.
    const int scratchStride = ScratchStride(width);
    m_scratch.resize(static_cast<std::size_t>(scratchStride) * static_cast<std::size_t>(height) + kScratchPadding);
    for (int y = 0; y < height; ++y) {
        std::memcpy(m_scratch.data() + static_cast<std::size_t>(scratchStride) * static_cast<std::size_t>(y),
                    bits + stride * static_cast<std::size_t>(height - 1 - y), static_cast<std::size_t>(width) * 3);
    }
    const std::uint8_t* source[1] = {m_scratch.data()};
    const int sourceStride[1] = {scratchStride};
    return sws_scale(m_context, source, sourceStride, 0, height, frame->data, frame->linesize) == height;
}

bool Rgb24Converter::ToRgb24(const AVFrame* frame, std::uint8_t* out, std::size_t outLength, int width,
                             int height) {
    const std::size_t stride = Rgb24RowBytes(width);
    if (out == nullptr || width <= 0 || height <= 0 || outLength < stride * static_cast<std::size_t>(height) ||
        frame->width <= 0 || frame->height <= 0 ||
        !sws_isSupportedInput(static_cast<AVPixelFormat>(frame->format))) {
        return false;
    }
    m_context = sws_getCachedContext(m_context, frame->width, frame->height,
                                     static_cast<AVPixelFormat>(frame->format), width, height, AV_PIX_FMT_BGR24,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (m_context == nullptr) return false;
    const int scratchStride = ScratchStride(width);
    m_scratch.resize(static_cast<std::size_t>(scratchStride) * static_cast<std::size_t>(height) + kScratchPadding);
    std::uint8_t* target[1] = {m_scratch.data()};
    const int targetStride[1] = {scratchStride};
    if (sws_scale(m_context, frame->data, frame->linesize, 0, frame->height, target, targetStride) != height) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        std::memcpy(out + stride * static_cast<std::size_t>(height - 1 - y),
                    m_scratch.data() + static_cast<std::size_t>(scratchStride) * static_cast<std::size_t>(y),
                    static_cast<std::size_t>(width) * 3);
    }
    return true;
}

} // namespace orv
