// Where a video codec plugs into the media paths. The senders and receivers only move
// compressed frames; the codec that makes and reads them is installed once by the video
// pipeline. Until one is installed no video compressor or decompressor opens, so video
// sending and showing stay off while audio works.
#pragma once

#include "client/media/bitmap_info_header.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace orv {

// Video codec ids: 1 "MPG4", 2 "ORV2", 3 "M263".
bool IsVideoCodecId(int codecId);

class VideoCompressor {
public:
    virtual ~VideoCompressor() = default;
    // Compresses one raw picture. format receives the compressed format (biSizeImage = the
    // data length), data the compressed bytes, keyFrame whether it stands alone.
    virtual bool Compress(const BitmapInfoHeader& raw, const std::uint8_t* bits, std::size_t bitsLength,
                          BitmapInfoHeader& format, std::vector<std::uint8_t>& data, bool& keyFrame) = 0;
    // Target bit rate (kbit/s) and frame rate; only some codecs use them.
    virtual void SetRate(int flowRate, int frameRate) = 0;
};

class VideoDecompressor {
public:
    virtual ~VideoDecompressor() = default;
    // The decoded picture's format for a compressed frame header; false when unknown.
    virtual bool OutputFormat(const BitmapInfoHeader& compressed, BitmapInfoHeader& decoded) = 0;
    // Decodes one whole frame (header, colour table, data) into out (decoded.biSizeImage bytes).
    virtual bool Decompress(const std::uint8_t* frame, std::size_t length, const BitmapInfoHeader& decoded,
                            std::uint8_t* out) = 0;
};

struct VideoCodecFactory {
    std::function<std::unique_ptr<VideoCompressor>(int codecId)> openCompressor;
    std::function<std::unique_ptr<VideoDecompressor>(int codecId)> openDecompressor;
};

// Installs the codec set (an empty factory removes it). Codecs already open stay open.
void SetVideoCodecFactory(VideoCodecFactory factory);
// Null for an id that is not a video codec id, without a factory, or when opening fails.
std::unique_ptr<VideoCompressor> OpenVideoCompressor(int codecId);
std::unique_ptr<VideoDecompressor> OpenVideoDecompressor(int codecId);

} // namespace orv
