#pragma once

#include <cstddef>
#include <cstdint>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace orv {

// One direction of the G.723.1 coder at 6.3 kbit/s (one 24-byte frame per
// 240 samples), on top of libavcodec's g723_1 encoder or decoder.
class G7231Stream {
  public:
    enum class Direction { Encode, Decode };
    static constexpr size_t kFrameBytes = 24;
    static constexpr size_t kFrameSamples = 240;

    G7231Stream() = default;
    ~G7231Stream();
    G7231Stream(const G7231Stream&) = delete;
    G7231Stream& operator=(const G7231Stream&) = delete;

    bool Open(Direction direction);
    void Close();
    bool IsOpen() const { return context_ != nullptr; }

    // 240 samples -> one 24-byte frame.
    bool EncodeFrame(const int16_t* pcm, uint8_t* frame);
    // One 24-byte frame -> 240 samples.
    bool DecodeFrame(const uint8_t* frame, int16_t* pcm);

  private:
    AVCodecContext* context_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
};

} // namespace orv
