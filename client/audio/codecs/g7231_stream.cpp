#include "client/audio/codecs/g7231_stream.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

namespace orv {

G7231Stream::~G7231Stream() {
    Close();
}

bool G7231Stream::Open(Direction direction) {
    Close();
    // The library's own diagnostics would go to standard error on every bad frame.
    av_log_set_level(AV_LOG_QUIET);
    const AVCodec* codec = direction == Direction::Encode
                               ? avcodec_find_encoder(AV_CODEC_ID_G723_1)
                               : avcodec_find_decoder(AV_CODEC_ID_G723_1);
    if (codec == nullptr) return false;
    context_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (context_ == nullptr || frame_ == nullptr || packet_ == nullptr) {
        Close();
        return false;
    }
    context_->sample_rate = 8000;
    context_->sample_fmt = AV_SAMPLE_FMT_S16;
    context_->bit_rate = 6300;
    av_channel_layout_default(&context_->ch_layout, 1);
    if (avcodec_open2(context_, codec, nullptr) < 0) {
        Close();
        return false;
    }
    if (direction == Direction::Encode) {
        // The input frame's buffer is made once and refilled for every frame.
        frame_->nb_samples = static_cast<int>(kFrameSamples);
        frame_->format = AV_SAMPLE_FMT_S16;
        frame_->sample_rate = 8000;
        if (av_channel_layout_copy(&frame_->ch_layout, &context_->ch_layout) < 0 ||
            av_frame_get_buffer(frame_, 0) < 0) {
            Close();
            return false;
        }
    }
    return true;
}

void G7231Stream::Close() {
    avcodec_free_context(&context_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
}

bool G7231Stream::EncodeFrame(const int16_t* pcm, uint8_t* frame) {
    if (!IsOpen()) return false;
    if (av_frame_make_writable(frame_) < 0) return false;
    std::memcpy(frame_->data[0], pcm, kFrameSamples * sizeof(int16_t));
    if (avcodec_send_frame(context_, frame_) < 0) return false;
    if (avcodec_receive_packet(context_, packet_) < 0) return false;
    const bool ok = packet_->size == static_cast<int>(kFrameBytes);
    if (ok) std::memcpy(frame, packet_->data, kFrameBytes);
    av_packet_unref(packet_);
    return ok;
}

bool G7231Stream::DecodeFrame(const uint8_t* frame, int16_t* pcm) {
    if (!IsOpen()) return false;
    // The decoder may read a little past the payload; give it a padded copy.
    uint8_t padded[kFrameBytes + AV_INPUT_BUFFER_PADDING_SIZE] = {};
    std::memcpy(padded, frame, kFrameBytes);
    packet_->data = padded;
    packet_->size = static_cast<int>(kFrameBytes);
    const int sent = avcodec_send_packet(context_, packet_);
    packet_->data = nullptr;
    packet_->size = 0;
    if (sent < 0) return false;
    // A payload whose type field names a shorter frame (5.3 kbit/s, SID,
    // untransmitted) holds several frames to the decoder, at least one byte
    // each: take every output it makes, so it never stalls with output
    // waiting, and keep the first.
    bool got = false;
    for (size_t round = 0; round <= kFrameBytes; ++round) {
        const int received = avcodec_receive_frame(context_, frame_);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) break;
        if (received < 0) continue; // a bad frame inside the payload
        if (!got && frame_->nb_samples == static_cast<int>(kFrameSamples) &&
            (frame_->format == AV_SAMPLE_FMT_S16 || frame_->format == AV_SAMPLE_FMT_S16P)) {
            // Mono: the planar and the packed layout are the same.
            std::memcpy(pcm, frame_->data[0], kFrameSamples * sizeof(int16_t));
            got = true;
        }
        av_frame_unref(frame_);
    }
    return got;
}

} // namespace orv
