// One libavcodec encoder for one picture size, tuned for conversation: no B-frames, no
// look-ahead, one thread, every frame in gives its packet out at once. The encoders also
// refresh the whole picture on their own once per refresh period (an intra frame for
// "MPG4" and "M263", a moving intra column for "ORV2"), so a peer that lost a frame shows
// a clean picture again within that period.
#pragma once

#include "client/video/codec/rgb24_picture.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct AVCodec;
struct AVCodecContext;
struct AVDictionary;
struct AVFrame;
struct AVPacket;

namespace orv {

struct EncoderSettings {
    std::uint32_t fourCC = 0;
    int width = 0;
    int height = 0;
    int frameRate = 15;    // frames per second; also the refresh period in frames
    int bitRateKbps = 0;   // target rate
    float minQuantiser = 2; // the encoder never codes finer than this ("MPG4", "M263")
};

// The encoder for a code and picture size: "M263" uses plain H.263 for the five standard
// sizes and H.263+ (custom picture format) for every other size. Null when none fits.
const AVCodec* FindVideoEncoder(std::uint32_t fourCC, int width, int height);
// Whether the code and size can be encoded (sizes: even, and multiples of 4 for "M263").
bool EncoderAcceptsSize(std::uint32_t fourCC, int width, int height);
// Fills an allocated context and the options for avcodec_open2 from settings.
void ConfigureEncoder(AVCodecContext* context, AVDictionary** options, const EncoderSettings& settings);

class AvEncoder {
public:
    AvEncoder() = default;
    ~AvEncoder();
    AvEncoder(const AvEncoder&) = delete;
    AvEncoder& operator=(const AvEncoder&) = delete;

    bool Open(const EncoderSettings& settings);
    void Close();
    bool IsOpen() const { return m_context != nullptr; }
    const EncoderSettings& Settings() const { return m_settings; }

    // Encodes one bottom-up RGB24 picture of the open size into data (replaced).
    bool Encode(const std::uint8_t* bits, std::size_t bitsLength, bool forceKeyFrame,
                std::vector<std::uint8_t>& data, bool& keyFrame);

private:
    EncoderSettings m_settings;
    AVCodecContext* m_context = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    std::int64_t m_pts = 0;
    Rgb24Converter m_converter;
};

} // namespace orv
