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

bool ScaleToBottomUpRgb24(SwsContext* scaler, const std::uint8_t* const planes[], const int strides[],
                          int srcHeight, int width, int height, std::vector<std::uint8_t>& scratch,
                          std::uint8_t* out) {
    const int scratchStride = ScratchStride(width);
    scratch.resize(static_cast<std::size_t>(scratchStride) * static_cast<std::size_t>(height + 1));
    std::uint8_t* target[4] = {scratch.data()};
    const int targetStride[4] = {scratchStride};
    if (sws_scale(scaler, planes, strides, 0, srcHeight, target, targetStride) != height) return false;
    const std::size_t stride = Rgb24Stride(width);
    for (int y = 0; y < height; ++y) {
        std::memcpy(out + stride * static_cast<std::size_t>(height - 1 - y),
                    scratch.data() + static_cast<std::size_t>(scratchStride) * static_cast<std::size_t>(y),
                    static_cast<std::size_t>(width) * 3);
    }
    return true;
}

Rgb24Converter::~Rgb24Converter() { sws_freeContext(m_context); }

bool Rgb24Converter::FromRgb24(const std::uint8_t* bits, std::size_t bitsLength, AVFrame* frame) {
    const int width = frame->width;
    const int height = frame->height;
    const std::size_t stride = Rgb24Stride(width);
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
    if (out == nullptr || width <= 0 || height <= 0 || outLength < Rgb24ImageSize(width, height) ||
        frame->width <= 0 || frame->height <= 0 ||
        !sws_isSupportedInput(static_cast<AVPixelFormat>(frame->format))) {
        return false;
    }
    m_context = sws_getCachedContext(m_context, frame->width, frame->height,
                                     static_cast<AVPixelFormat>(frame->format), width, height, AV_PIX_FMT_BGR24,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
    return m_context != nullptr &&
           ScaleToBottomUpRgb24(m_context, frame->data, frame->linesize, frame->height, width, height, m_scratch,
                                out);
}

} // namespace orv
