#pragma once

// G.729 implementations written elsewhere, used to check ours against:
// bcg729 (encoder and decoder) and libavcodec's decoder.

#include <cstdint>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct bcg729EncoderChannelContextStruct_struct;
struct bcg729DecoderChannelContextStruct_struct;

namespace orv::testing {

class Bcg729Encoder {
  public:
    Bcg729Encoder();
    ~Bcg729Encoder();
    void Encode(const int16_t* pcm, uint8_t* frame);

  private:
    bcg729EncoderChannelContextStruct_struct* context_;
};

class Bcg729Decoder {
  public:
    Bcg729Decoder();
    ~Bcg729Decoder();
    // frame == nullptr decodes a lost frame.
    void Decode(const uint8_t* frame, int16_t* pcm);

  private:
    bcg729DecoderChannelContextStruct_struct* context_;
};

class AvG729Decoder {
  public:
    AvG729Decoder();
    ~AvG729Decoder();
    bool IsOpen() const { return context_ != nullptr; }
    // Appends the samples of one 10-byte frame to pcm.
    bool Decode(const uint8_t* frame, std::vector<int16_t>& pcm);

  private:
    AVCodecContext* context_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
};

} // namespace orv::testing
