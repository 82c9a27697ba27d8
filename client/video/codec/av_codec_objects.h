// The three libavcodec objects a video coder works with, allocated and freed together.
#pragma once

struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace orv {

// Allocates a context for codec, a frame and a packet. False when any one fails; then all
// three are freed (and null).
bool AllocateCodecObjects(const AVCodec* codec, AVCodecContext** context, AVFrame** frame, AVPacket** packet);
// Frees what is held and sets each pointer to null; null pointers are fine.
void FreeCodecObjects(AVCodecContext** context, AVFrame** frame, AVPacket** packet);

} // namespace orv
