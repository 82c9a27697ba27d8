#include "client/video/codec/av_encoder.h"

#include "client/video/codec/av_codec_objects.h"
#include "client/video/codec/video_codec.h"

#include <algorithm>
#include <cmath>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
}

namespace orv {

namespace {

bool IsStandardH263Size(int width, int height) {
    static constexpr int kSizes[][2] = {{128, 96}, {176, 144}, {352, 288}, {704, 576}, {1408, 1152}};
    return std::any_of(std::begin(kSizes), std::end(kSizes),
                       [&](const int* size) { return size[0] == width && size[1] == height; });
}

} // namespace

bool EncoderAcceptsSize(std::uint32_t fourCC, int width, int height) {
    if (width < 16 || height < 16 || width > kMaxVideoCodecSide || height > kMaxVideoCodecSide ||
        width % 2 != 0 || height % 2 != 0) {
        return false;
    }
    if (fourCC != kFourCCM263) return fourCC == kFourCCMpg4 || fourCC == kFourCCOrv2;
    // H.263+ custom picture formats: multiples of 4 up to 2048 x 1152.
    return IsStandardH263Size(width, height) ||
           (width % 4 == 0 && height % 4 == 0 && width <= 2048 && height <= 1152);
}

const AVCodec* FindVideoEncoder(std::uint32_t fourCC, int width, int height) {
    if (fourCC == kFourCCMpg4) return avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (fourCC == kFourCCOrv2) return avcodec_find_encoder_by_name("libx264");
    if (fourCC == kFourCCM263) {
        return avcodec_find_encoder(IsStandardH263Size(width, height) ? AV_CODEC_ID_H263 : AV_CODEC_ID_H263P);
    }
    return nullptr;
}

void ConfigureEncoder(AVCodecContext* context, AVDictionary** options, const EncoderSettings& settings) {
    const int rate = std::max(1, settings.frameRate);
    context->width = settings.width;
    context->height = settings.height;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, rate};
    context->framerate = AVRational{rate, 1};
    context->max_b_frames = 0;
    context->thread_count = 1;
    context->gop_size = rate; // the refresh period: one second of frames
    const std::int64_t bitRate = static_cast<std::int64_t>(settings.bitRateKbps) * 1000;
    context->bit_rate = bitRate;
    context->rc_max_rate = bitRate;
    if (settings.fourCC == kFourCCOrv2) {
        // A quarter second of buffer keeps even the forced key frames small (CIF at 256
        // kbit/s: 5.5 kB; the refresh waves keep the others near the average).
        context->rc_buffer_size = static_cast<int>(bitRate / 4);
        // A picture damaged in the middle of a refresh wave is whole after the next wave:
        // waves of half a second keep that within one second.
        context->gop_size = std::max(1, rate / 2);
        av_dict_set(options, "preset", "veryfast", 0);
        av_dict_set(options, "tune", "zerolatency", 0);
        av_dict_set(options, "intra-refresh", "1", 0);
        av_dict_set(options, "forced-idr", "1", 0);
        av_dict_set(options, "x264-params", "repeat-headers=1", 0);
        return;
    }
    // The ceiling above the target lets the one-second intra frames be larger than the rest;
    // a quarter second of buffer holds them to about 13 fragments at CIF (6.5 kB), so the
    // sender's fragment spacing spends no more than a frame interval on one.
    context->rc_max_rate = bitRate * 3 / 2;
    context->rc_buffer_size = static_cast<int>(bitRate / 4);
    context->qmin = 2;
    context->qmax = 31;
    const int lambdaFloor = static_cast<int>(std::lround(std::max(2.0f, settings.minQuantiser) * FF_QP2LAMBDA));
    av_dict_set(options, "lmin", std::to_string(lambdaFloor).c_str(), 0);
}

AvEncoder::~AvEncoder() { Close(); }

void AvEncoder::Close() {
    FreeCodecObjects(&m_context, &m_frame, &m_packet);
    m_pts = 0;
}

bool AvEncoder::Open(const EncoderSettings& settings) {
    Close();
    if (!EncoderAcceptsSize(settings.fourCC, settings.width, settings.height)) return false;
    const AVCodec* codec = FindVideoEncoder(settings.fourCC, settings.width, settings.height);
    if (codec == nullptr) return false;
    m_settings = settings;
    if (!AllocateCodecObjects(codec, &m_context, &m_frame, &m_packet)) return false;
    AVDictionary* options = nullptr;
    ConfigureEncoder(m_context, &options, settings);
    const int opened = avcodec_open2(m_context, codec, &options);
    av_dict_free(&options);
    m_frame->width = settings.width;
    m_frame->height = settings.height;
    m_frame->format = AV_PIX_FMT_YUV420P;
    if (opened < 0 || av_frame_get_buffer(m_frame, 0) < 0) {
        Close();
        return false;
    }
    return true;
}

bool AvEncoder::Encode(const std::uint8_t* bits, std::size_t bitsLength, bool forceKeyFrame,
                       std::vector<std::uint8_t>& data, bool& keyFrame) {
    keyFrame = false;
    if (m_context == nullptr || av_frame_make_writable(m_frame) < 0 ||
        !m_converter.FromRgb24(bits, bitsLength, m_frame)) {
        return false;
    }
    m_frame->pict_type = forceKeyFrame ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    m_frame->pts = m_pts++;
    if (avcodec_send_frame(m_context, m_frame) < 0) return false;
    // No B-frames and no look-ahead: the packet of this frame is ready now.
    if (avcodec_receive_packet(m_context, m_packet) < 0) return false;
    data.assign(m_packet->data, m_packet->data + m_packet->size);
    keyFrame = (m_packet->flags & AV_PKT_FLAG_KEY) != 0;
    av_packet_unref(m_packet);
    return !data.empty();
}

} // namespace orv
