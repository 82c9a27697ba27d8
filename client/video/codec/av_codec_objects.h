// The three libavcodec objects a video coder works with, allocated and freed together, and
// the way compressed bytes reach a decoder.
#pragma once

#include <cstddef>
#include <cstdint>

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
// Sends length bytes (1..INT_MAX/2) to a decoder through packet, copied into a buffer with
// the padding libavcodec's readers may pass the end into. The result of avcodec_send_packet,
// or a negative number when the bytes cannot be sent.
int SendPaddedPacket(AVCodecContext* context, AVPacket* packet, const std::uint8_t* data, std::size_t length);

} // namespace orv
