#include "tests/codecs/reference_g729.h"

#include <cstring>

extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

namespace orv::testing {

Bcg729Encoder::Bcg729Encoder() : context_(initBcg729EncoderChannel(0)) {}
Bcg729Encoder::~Bcg729Encoder() {
    closeBcg729EncoderChannel(context_);
}

void Bcg729Encoder::Encode(const int16_t* pcm, uint8_t* frame) {
    uint8_t length = 0;
    bcg729Encoder(context_, pcm, frame, &length);
}

Bcg729Decoder::Bcg729Decoder() : context_(initBcg729DecoderChannel()) {}
Bcg729Decoder::~Bcg729Decoder() {
    closeBcg729DecoderChannel(context_);
}

void Bcg729Decoder::Decode(const uint8_t* frame, int16_t* pcm) {
    static const uint8_t kNoFrame[10] = {};
    bcg729Decoder(context_, frame == nullptr ? kNoFrame : frame, 10, frame == nullptr ? 1 : 0, 0, 0,
                  pcm);
}

AvG729Decoder::AvG729Decoder() {
    av_log_set_level(AV_LOG_QUIET);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_G729);
    if (codec == nullptr) return;
    context_ = avcodec_alloc_context3(codec);
    context_->sample_rate = 8000;
    av_channel_layout_default(&context_->ch_layout, 1);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (avcodec_open2(context_, codec, nullptr) < 0) avcodec_free_context(&context_);
}

AvG729Decoder::~AvG729Decoder() {
    avcodec_free_context(&context_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
}

bool AvG729Decoder::Decode(const uint8_t* frame, std::vector<int16_t>& pcm) {
    if (context_ == nullptr) return false;
    uint8_t padded[10 + AV_INPUT_BUFFER_PADDING_SIZE] = {};
    std::memcpy(padded, frame, 10);
    packet_->data = padded;
    packet_->size = 10;
    const int sent = avcodec_send_packet(context_, packet_);
    packet_->data = nullptr;
    packet_->size = 0;
    if (sent < 0) return false;
    while (avcodec_receive_frame(context_, frame_) == 0) {
        if (frame_->format != AV_SAMPLE_FMT_S16 && frame_->format != AV_SAMPLE_FMT_S16P)
            return false;
        const auto* samples = reinterpret_cast<const int16_t*>(frame_->data[0]);
        pcm.insert(pcm.end(), samples, samples + frame_->nb_samples);
        av_frame_unref(frame_);
    }
    return true;
}

} // namespace orv::testing
