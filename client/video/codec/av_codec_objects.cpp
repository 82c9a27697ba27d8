#include "client/video/codec/av_codec_objects.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

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

} // namespace orv
