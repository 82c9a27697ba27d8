#include "client/media/video_codec_install.h"

#include "client/media/video_codec_plug.h"
#include "client/media/video_reassembly.h"
#include "client/video/codec/video_codec.h"

#include <memory>

namespace orv {

namespace {

VideoCodecFormat ToCodecFormat(const BitmapInfoHeader& header) {
    VideoCodecFormat format;
    format.width = header.biWidth;
    format.height = header.biHeight;
    format.bitCount = header.biBitCount;
    format.compression = header.biCompression;
    format.sizeImage = header.biSizeImage;
    return format;
}

BitmapInfoHeader ToBitmapHeader(const VideoCodecFormat& format) {
    BitmapInfoHeader header;
    header.biWidth = format.width;
    header.biHeight = format.height;
    header.biBitCount = format.bitCount;
    header.biCompression = format.compression;
    header.biSizeImage = format.sizeImage;
    return header;
}

class CodecCompressor final : public VideoCompressor {
public:
    bool Open(int codecId) { return m_codec.OpenEncoder(VideoCodecFourCC(codecId), false); }

    bool Compress(const BitmapInfoHeader& raw, const std::uint8_t* bits, std::size_t bitsLength,
                  BitmapInfoHeader& format, std::vector<std::uint8_t>& data, bool& keyFrame) override {
        VideoCodecFormat compressed;
        std::uint32_t flags = 0;
        keyFrame = false;
        if (!m_codec.Compress(ToCodecFormat(raw), bits, bitsLength, compressed, data, flags)) return false;
        // A frame travels whole or not at all: one that cannot be reassembled is not sent.
        if (data.size() + kBitmapInfoHeaderBytes > kMaxVideoFrameBytes) return false;
        format = ToBitmapHeader(compressed);
        keyFrame = (flags & kVideoKeyFrameFlag) != 0;
        return true;
    }

    void SetRate(int flowRate, int frameRate) override { m_codec.SetOrv2Rate(flowRate, frameRate); }

private:
    VideoCodec m_codec;
};

class CodecDecompressor final : public VideoDecompressor {
public:
    bool Open(int codecId) { return m_codec.OpenDecoder(VideoCodecFourCC(codecId)); }

    bool OutputFormat(const BitmapInfoHeader& compressed, BitmapInfoHeader& decoded) override {
        VideoCodecFormat raw;
        if (!m_codec.DecompressedFormat(ToCodecFormat(compressed), raw)) return false;
        decoded = ToBitmapHeader(raw);
        return true;
    }

    bool Decompress(const std::uint8_t* frame, std::size_t length, const BitmapInfoHeader& decoded,
                    std::uint8_t* out) override {
        BitmapInfoHeader header;
        if (!ReadBitmapInfoHeader(frame, length, header) || header.biSize < kBitmapInfoHeaderBytes ||
            DescribedFrameLength(header) > length) {
            return false;
        }
        const std::size_t dataOffset = header.biSize + 4 * static_cast<std::size_t>(header.biClrUsed);
        return m_codec.Decompress(ToCodecFormat(header), frame + dataOffset, header.biSizeImage,
                                  ToCodecFormat(decoded), out, decoded.biSizeImage);
    }

private:
    VideoCodec m_codec;
};

template <typename Codec, typename Interface>
std::unique_ptr<Interface> OpenCodec(int codecId) {
    auto codec = std::make_unique<Codec>();
    if (!codec->Open(codecId)) return nullptr;
    return codec;
}

} // namespace

void InstallVideoCodecs() {
    VideoCodecFactory factory;
    factory.openCompressor = OpenCodec<CodecCompressor, VideoCompressor>;
    factory.openDecompressor = OpenCodec<CodecDecompressor, VideoDecompressor>;
    SetVideoCodecFactory(std::move(factory));
}

} // namespace orv
