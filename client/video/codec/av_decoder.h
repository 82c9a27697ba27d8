// One libavcodec decoder that turns each compressed frame into a bottom-up RGB24 picture at
// once. A frame it cannot read is dropped; the decoder conceals what a lost frame leaves
// behind and goes on with the next one.
#pragma once

#include "client/video/codec/rgb24_picture.h"

#include <cstddef>
#include <cstdint>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace orv {

class AvDecoder {
public:
    AvDecoder() = default;
    ~AvDecoder();
    AvDecoder(const AvDecoder&) = delete;
    AvDecoder& operator=(const AvDecoder&) = delete;

    bool Open(std::uint32_t fourCC);
    void Close();
    bool IsOpen() const { return m_context != nullptr; }

    // Decodes one frame and writes it, scaled to width x height when the coded size differs.
    bool Decode(const std::uint8_t* data, std::size_t length, std::uint8_t* out, std::size_t outLength,
                int width, int height);

private:
    AVCodecContext* m_context = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    Rgb24Converter m_converter;
};

} // namespace orv
