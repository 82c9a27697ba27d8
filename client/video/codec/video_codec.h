// One video codec instance: "MPG4" (MPEG-4 Visual), "M263" (H.263, and H.263+ for picture
// sizes plain H.263 cannot carry) or "ORV2" (H.264), over libavcodec. The raw side is always
// bottom-up RGB24 (rows padded to 4 bytes, B G R); the compressed side is one coded picture
// per frame. Encoders are tuned for conversation: no B-frames, no look-ahead, one frame in
// gives one frame out. Decoders drop a frame they cannot read and go on with the next.
//
// Lifecycle: closed -> open (one mode, one code) -> begun (one picture size) -> Close().
// A key frame is forced every 120 compressed frames and whenever the frame number wraps
// from 9999 to 0; between them the encoders refresh the picture on their own within about
// a second, so a lost frame does not freeze the peer's picture until the next forced one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace orv {

constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

constexpr std::uint32_t kFourCCMpg4 = MakeFourCC('M', 'P', 'G', '4');
constexpr std::uint32_t kFourCCOrv2 = MakeFourCC('O', 'R', 'V', '2');
constexpr std::uint32_t kFourCCM263 = MakeFourCC('M', '2', '6', '3');

// Video codec ids of the call set-up: 1 "MPG4", 2 "ORV2", 3 "M263"; 0 for any other id.
std::uint32_t VideoCodecFourCC(int codecId);

// Compression value of an uncompressed RGB picture.
constexpr std::uint32_t kRgbCompression = 0;
// Flag of a compressed frame that stands alone.
constexpr std::uint32_t kVideoKeyFrameFlag = 0x10;
// Largest picture either side accepts (width and height).
constexpr int kMaxVideoCodecSide = 4096;

// The picture description that travels with every frame (the leading fields of a bitmap
// header). Raw pictures: compression kRgbCompression, 24 bits, height > 0 = bottom-up.
struct VideoCodecFormat {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = kRgbCompression; // four-character code when compressed
    std::uint32_t sizeImage = 0;                 // bytes of the picture data
};

enum class VideoCodecMode : int {
    None = 0,
    Decompress = 2,
    FastDecompress = 3,
    Query = 4,
    FastCompress = 5,
};

class CodecEngine; // the libavcodec side of one open codec

class VideoCodec {
public:
    static constexpr int kKeyFrameFactorReset = 15; // a key frame every 8 x 15 = 120 frames
    static constexpr int kMpeg4QualityReset = 25;
    static constexpr int kQualityReset = 7500; // 0..10000
    static constexpr int kOrv2BitRateReset = 10; // kbit/s, raised to the minimum on open
    static constexpr int kFrameNumberWrap = 10000;

    VideoCodec();
    ~VideoCodec();
    VideoCodec(const VideoCodec&) = delete;
    VideoCodec& operator=(const VideoCodec&) = delete;

    // Opens the encoder for fourCC in fast-compress mode, or in query mode (formats only,
    // no compression). With a codec already open: true only when it is fourCC in the mode
    // wanted, and nothing changes.
    bool OpenEncoder(std::uint32_t fourCC, bool query);
    // Opens the decoder for fourCC (fast-decompress mode); same rule for an open codec.
    bool OpenDecoder(std::uint32_t fourCC);
    // "ORV2" only: re-opens the open encoder with a new bit rate (kbit/s, clamped to
    // 32..512) and frame rate (4, 8 and 16 reach the encoder as 5, 9 and 17).
    void SetOrv2Rate(int bitRateKbps, int frameRate);

    // The compressed format for a raw input picture; false when the input cannot be coded.
    bool CompressedFormat(const VideoCodecFormat& input, VideoCodecFormat& output);
    // The raw RGB24 format a compressed frame decodes to; false for a size out of range.
    bool DecompressedFormat(const VideoCodecFormat& input, VideoCodecFormat& output);

    // Compresses one raw picture (bits: input.height rows of the padded RGB24 stride).
    // output receives the compressed format (sizeImage = data.size()), flags the key-frame
    // flag. The frame number advances whether or not the encoder succeeded.
    bool Compress(const VideoCodecFormat& input, const std::uint8_t* bits, std::size_t bitsLength,
                  VideoCodecFormat& output, std::vector<std::uint8_t>& data, std::uint32_t& flags);
    // Decodes one compressed frame into out, a bottom-up RGB24 picture of output's size
    // (outLength >= output.sizeImage). A frame that cannot be read fails and changes nothing.
    bool Decompress(const VideoCodecFormat& input, const std::uint8_t* bits, std::size_t length,
                    const VideoCodecFormat& output, std::uint8_t* out, std::size_t outLength);

    // Ends compression or decompression, closes the codec and resets every value.
    void Close();

    // Present state, for the video test dialog, the call statistics and tests.
    std::uint32_t FourCC() const;
    VideoCodecMode Mode() const;
    int FrameNumber() const;
    int Quality() const;
    int KeyFrameFactor() const;
    bool Begun() const;
    // The codec's own state block as last written ("MPG4": the quantiser value at byte 12;
    // "ORV2": rate-control words); empty when none.
    std::vector<std::uint8_t> CodecState() const;
    // What the open "ORV2" encoder runs with: kbit/s and frames per second (0 when closed).
    int EncoderBitRate() const;
    int EncoderFrameRate() const;

private:
    bool Open(std::uint32_t fourCC, VideoCodecMode mode);
    bool OpenLocked(std::uint32_t fourCC, VideoCodecMode mode);
    void CloseLocked();
    void BeginForSize(int width, int height, bool compress);

    mutable std::recursive_mutex m_lock; // serialises compression with re-opening
    int m_keyFrameFactor = kKeyFrameFactorReset;
    int m_cachedWidth = 0;
    int m_cachedHeight = 0;
    bool m_begun = false;
    int m_mpeg4Quality = kMpeg4QualityReset;
    int m_frameNumber = 0;
    int m_quality = kQualityReset;
    std::uint32_t m_fourCC = 0;
    VideoCodecMode m_mode = VideoCodecMode::None;
    int m_orv2BitRate = kOrv2BitRateReset;
    int m_orv2FrameRate = 0;
    std::unique_ptr<CodecEngine> m_engine;
};

// The 32-bit "MPG4" state value for a quality parameter (0x40390000 for 25): the IEEE
// single-precision quantiser the encoder never goes below.
std::uint32_t Mpeg4StateValue(int qualityParameter);

} // namespace orv
