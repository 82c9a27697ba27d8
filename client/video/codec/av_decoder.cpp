#include "client/video/codec/av_decoder.h"

#include "client/video/codec/av_codec_objects.h"
#include "client/video/codec/video_codec.h"

#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace orv {

namespace {

AVCodecID DecoderId(std::uint32_t fourCC) {
    if (fourCC == kFourCCMpg4) return AV_CODEC_ID_MPEG4;
    if (fourCC == kFourCCOrv2) return AV_CODEC_ID_H264;
    if (fourCC == kFourCCM263) return AV_CODEC_ID_H263; // reads H.263 and H.263+
    return AV_CODEC_ID_NONE;
}

} // namespace

AvDecoder::~AvDecoder() { Close(); }

void AvDecoder::Close() { FreeCodecObjects(&m_context, &m_frame, &m_packet); }

bool AvDecoder::Open(std::uint32_t fourCC) {
    Close();
    const AVCodecID id = DecoderId(fourCC);
    const AVCodec* codec = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
    if (codec == nullptr || !AllocateCodecObjects(codec, &m_context, &m_frame, &m_packet)) return false;
    m_context->thread_count = 1;                      // frame threads would hold frames back
    m_context->flags |= AV_CODEC_FLAG_LOW_DELAY;      // output each picture as it is decoded
    m_context->flags |= AV_CODEC_FLAG_OUTPUT_CORRUPT; // a concealed picture beats a frozen one
    m_context->flags2 |= AV_CODEC_FLAG2_SHOW_ALL;     // also while an intra refresh is under way
    m_context->err_recognition = 0;
    m_context->error_concealment = FF_EC_GUESS_MVS | FF_EC_DEBLOCK;
    m_context->max_pixels = static_cast<std::int64_t>(kMaxVideoCodecSide) * kMaxVideoCodecSide;
    if (avcodec_open2(m_context, codec, nullptr) < 0) {
        Close();
        return false;
    }
    return true;
}

bool AvDecoder::Decode(const std::uint8_t* data, std::size_t length, std::uint8_t* out, std::size_t outLength,
                       int width, int height) {
    if (m_context == nullptr || SendPaddedPacket(m_context, m_packet, data, length) < 0) return false;
    // One frame in gives one picture out; should a hostile frame yield more, each is taken
    // so the decoder never stalls, and the last one is the picture.
    bool written = false;
    while (avcodec_receive_frame(m_context, m_frame) == 0) {
        written = m_converter.ToRgb24(m_frame, out, outLength, width, height);
        av_frame_unref(m_frame);
    }
    return written;
}

} // namespace orv
