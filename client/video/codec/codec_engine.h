// The codec behind a VideoCodec: what an installed codec does for one four-character code,
// over libavcodec. It keeps the codec's state block, its quality and frame rate, checks the
// formats offered, and runs the encoder or decoder begun for one picture size.
//
// State blocks: "MPG4" 120 bytes, the single-precision quantiser floor at byte 12;
// "ORV2" 316 bytes, rate-control words (byte 0: mode, 0 = average bit rate; byte 4: bit
// rate in bit/s; the words at 308 and 312 are kept as written). "M263" has none.
#pragma once

#include "client/video/codec/av_decoder.h"
#include "client/video/codec/av_encoder.h"
#include "client/video/codec/video_codec.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

// Byte offsets of the state words and the "ORV2" bit-rate range, kbit/s.
constexpr std::size_t kMpeg4StateBytes = 120;
constexpr std::size_t kMpeg4QuantiserOffset = 12;
constexpr std::size_t kOrv2StateBytes = 316;
constexpr std::size_t kOrv2ModeOffset = 0;
constexpr std::size_t kOrv2BitRateOffset = 4;
constexpr std::size_t kOrv2Word308 = 308;
constexpr std::size_t kOrv2Word312 = 312;
constexpr int kMinBitRateKbps = 32;
constexpr int kMaxBitRateKbps = 512;

class CodecEngine {
public:
    // Null when this machine has no encoder (compress and query modes) or decoder for fourCC.
    static std::unique_ptr<CodecEngine> Open(std::uint32_t fourCC, VideoCodecMode mode);

    std::uint32_t FourCC() const { return m_fourCC; }
    std::size_t StateSize() const { return m_state.size(); }
    const std::vector<std::uint8_t>& State() const { return m_state; }
    // Takes the first StateSize() bytes of block; false when block is shorter.
    bool SetState(const std::vector<std::uint8_t>& block);
    void SetQuality(int quality);
    int Quality() const { return m_quality; }
    void SetFrameRate(int rate, int scale);
    int FrameRate() const { return m_frameRate; }
    // The bit rate the encoder is given for a picture size, kbit/s.
    int BitRateKbps(int width, int height) const;

    bool CompressQuery(const VideoCodecFormat& input) const;
    bool CompressedFormat(const VideoCodecFormat& input, VideoCodecFormat& output) const;
    bool DecompressQuery(const VideoCodecFormat& input, const VideoCodecFormat& output) const;

    bool CompressBegin(int width, int height);
    void CompressEnd() { m_encoder.Close(); }
    bool Compress(const std::uint8_t* bits, std::size_t length, bool forceKeyFrame, std::vector<std::uint8_t>& data,
                  bool& keyFrame);
    bool DecompressBegin(int width, int height);
    void DecompressEnd() { m_decodeWidth = m_decodeHeight = 0; }
    bool Decompress(const std::uint8_t* data, std::size_t length, std::uint8_t* out, std::size_t outLength);

private:
    CodecEngine(std::uint32_t fourCC, VideoCodecMode mode);
    float MinQuantiser() const;

    std::uint32_t m_fourCC;
    VideoCodecMode m_mode;
    std::vector<std::uint8_t> m_state;
    int m_quality = VideoCodec::kQualityReset;
    int m_frameRate = 15;
    AvEncoder m_encoder;
    AvDecoder m_decoder;
    int m_decodeWidth = 0;
    int m_decodeHeight = 0;
};

} // namespace orv
