#include "client/video/codec/codec_engine.h"

#include "wire/byte_order.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace orv {

namespace {

bool IsRawPicture(const VideoCodecFormat& format) {
    return format.compression == kRgbCompression && format.bitCount == 24 && format.width > 0 &&
           format.height > 0 && format.width <= kMaxVideoCodecSide && format.height <= kMaxVideoCodecSide;
}

} // namespace

CodecEngine::CodecEngine(std::uint32_t fourCC, VideoCodecMode mode) : m_fourCC(fourCC), m_mode(mode) {
    if (fourCC == kFourCCMpg4) m_state.assign(kMpeg4StateBytes, 0);
    if (fourCC == kFourCCOrv2) m_state.assign(kOrv2StateBytes, 0);
}

std::unique_ptr<CodecEngine> CodecEngine::Open(std::uint32_t fourCC, VideoCodecMode mode) {
    // A damaged frame from the network is an everyday event, not one for standard error.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });
    std::unique_ptr<CodecEngine> engine(new CodecEngine(fourCC, mode));
    const bool decoding = mode == VideoCodecMode::Decompress || mode == VideoCodecMode::FastDecompress;
    if (decoding) {
        if (!engine->m_decoder.Open(fourCC)) return nullptr;
    } else if (FindVideoEncoder(fourCC, 176, 144) == nullptr) {
        return nullptr;
    }
    return engine;
}

bool CodecEngine::SetState(const std::vector<std::uint8_t>& block) {
    if (block.size() < m_state.size()) return false;
    std::copy_n(block.begin(), m_state.size(), m_state.begin());
    return true;
}

void CodecEngine::SetQuality(int quality) { m_quality = std::clamp(quality, 0, 10000); }

void CodecEngine::SetFrameRate(int rate, int scale) {
    if (rate > 0 && scale > 0) m_frameRate = std::clamp(rate / scale, 1, 60);
}

float CodecEngine::MinQuantiser() const {
    if (m_fourCC != kFourCCMpg4) return 2.0f;
    const float value = std::bit_cast<float>(GetU32LE(m_state.data() + kMpeg4QuantiserOffset));
    return std::isfinite(value) ? std::clamp(value, 2.0f, 31.0f) : 2.0f;
}

int CodecEngine::BitRateKbps(int width, int height) const {
    if (m_fourCC == kFourCCOrv2) {
        const std::uint32_t bitsPerSecond = GetU32LE(m_state.data() + kOrv2BitRateOffset);
        return std::clamp(static_cast<int>(std::min<std::uint32_t>(bitsPerSecond / 1000, kMaxBitRateKbps)),
                          kMinBitRateKbps, kMaxBitRateKbps);
    }
    // Quality 0..10000 buys 0.02 to 0.18 bits per pixel, within the same ceiling.
    const double bitsPerPixel = 0.02 + 0.16 * m_quality / 10000.0;
    const double kbps = bitsPerPixel * width * height * m_frameRate / 1000.0;
    return std::clamp(static_cast<int>(kbps), kMinBitRateKbps, kMaxBitRateKbps);
}

bool CodecEngine::CompressQuery(const VideoCodecFormat& input) const {
    return m_mode != VideoCodecMode::None && IsRawPicture(input) && EncoderAcceptsSize(m_fourCC, input.width, input.height);
}

bool CodecEngine::CompressedFormat(const VideoCodecFormat& input, VideoCodecFormat& output) const {
    if (!CompressQuery(input)) return false;
    output = input;
    output.compression = m_fourCC;
    output.bitCount = 24;
    // The largest frame the encoder may produce: the raw picture's size.
    output.sizeImage = static_cast<std::uint32_t>(Rgb24ImageSize(input.width, input.height));
    return true;
}

bool CodecEngine::DecompressQuery(const VideoCodecFormat& input, const VideoCodecFormat& output) const {
    return input.compression == m_fourCC && IsRawPicture(output) && input.width == output.width &&
           input.height == output.height;
}

bool CodecEngine::CompressBegin(int width, int height) {
    if (m_mode != VideoCodecMode::FastCompress) return false;
    EncoderSettings settings;
    settings.fourCC = m_fourCC;
    settings.width = width;
    settings.height = height;
    settings.frameRate = m_frameRate;
    settings.bitRateKbps = BitRateKbps(width, height);
    settings.minQuantiser = MinQuantiser();
    return m_encoder.Open(settings);
}

bool CodecEngine::Compress(const std::uint8_t* bits, std::size_t length, bool forceKeyFrame,
                           std::vector<std::uint8_t>& data, bool& keyFrame) {
    return m_encoder.Encode(bits, length, forceKeyFrame, data, keyFrame);
}

bool CodecEngine::DecompressBegin(int width, int height) {
    m_decodeWidth = width;
    m_decodeHeight = height;
    return m_decoder.IsOpen();
}

bool CodecEngine::Decompress(const std::uint8_t* data, std::size_t length, std::uint8_t* out,
                             std::size_t outLength) {
    return m_decodeWidth > 0 && m_decoder.Decode(data, length, out, outLength, m_decodeWidth, m_decodeHeight);
}

} // namespace orv
