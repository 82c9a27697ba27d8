#include "client/video/codec/av_codec_objects.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cerrno>
#include <climits>

namespace orv {

bool AllocateCodecObjects(const AVCodec* codec, AVCodecContext** context, AVFrame** frame, AVPacket** packet) {
    FreeCodecObjects(context, frame, packet);
    *context = avcodec_alloc_context3(codec);
    *frame = av_frame_alloc();
    *packet = av_packet_alloc();
    if (*context != nullptr && *frame != nullptr && *packet != nullptr) return true;
    FreeCodecObjects(context, frame, packet);
    return false;
}

void FreeCodecObjects(AVCodecContext** context, AVFrame** frame, AVPacket** packet) {
    avcodec_free_context(context);
    av_frame_free(frame);
    av_packet_free(packet);
}

int SendPaddedPacket(AVCodecContext* context, AVPacket* packet, const std::uint8_t* data, std::size_t length) {
    if (data == nullptr || length == 0 || length > INT_MAX / 2) return AVERROR(EINVAL);
    if (av_new_packet(packet, static_cast<int>(length)) < 0) return AVERROR(ENOMEM);
    std::copy(data, data + length, packet->data);
    const int sent = avcodec_send_packet(context, packet);
    av_packet_unref(packet);
    return sent;
}

} // namespace orv
