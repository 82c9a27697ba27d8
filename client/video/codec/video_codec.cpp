#include "client/video/codec/video_codec.h"

#include "client/video/codec/codec_engine.h"
#include "wire/byte_order.h"

#include <algorithm>

namespace orv {

namespace {

// 4, 8 and 16 frames per second reach the "ORV2" encoder one higher.
int Orv2FrameRate(int frameRate) {
    return frameRate == 4 || frameRate == 8 || frameRate == 16 ? frameRate + 1 : frameRate;
}

} // namespace

std::uint32_t VideoCodecFourCC(int codecId) {
    switch (codecId) {
    case 1: return kFourCCMpg4;
    case 2: return kFourCCOrv2;
    case 3: return kFourCCM263;
    default: return 0;
    }
}

std::uint32_t Mpeg4StateValue(int qualityParameter) {
    std::int64_t step = 2;
    std::int64_t value = 0x40000000;
    std::int64_t rest = static_cast<std::int64_t>(qualityParameter) - 2;
    std::int64_t weight = 0x80000;
    while (rest >= step) {
        value += step * weight;
        rest -= step;
        step *= 2;
        weight /= 2;
    }
    value += rest * weight;
    return static_cast<std::uint32_t>(value);
}

VideoCodec::VideoCodec() = default;

VideoCodec::~VideoCodec() { Close(); }

bool VideoCodec::OpenEncoder(std::uint32_t fourCC, bool query) {
    return Open(fourCC, query ? VideoCodecMode::Query : VideoCodecMode::FastCompress);
}

bool VideoCodec::OpenDecoder(std::uint32_t fourCC) { return Open(fourCC, VideoCodecMode::FastDecompress); }

bool VideoCodec::Open(std::uint32_t fourCC, VideoCodecMode mode) {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (m_engine) return m_fourCC == fourCC && m_mode == mode;
    return OpenLocked(fourCC, mode);
}

bool VideoCodec::OpenLocked(std::uint32_t fourCC, VideoCodecMode mode) {
    m_engine = CodecEngine::Open(fourCC, mode);
    if (!m_engine) return false;
    m_mode = mode;
    m_fourCC = fourCC;
    const bool encoding = mode != VideoCodecMode::FastDecompress;
    std::vector<std::uint8_t> state = m_engine->State();
    if (fourCC == kFourCCMpg4) {
        PutU32LE(state.data() + kMpeg4QuantiserOffset, Mpeg4StateValue(m_mpeg4Quality));
        m_engine->SetState(state);
    } else if (fourCC == kFourCCOrv2 && encoding) {
        const int kbps = std::clamp(m_orv2BitRate, kMinBitRateKbps, kMaxBitRateKbps);
        PutU32LE(state.data() + kOrv2ModeOffset, 0);
        PutU32LE(state.data() + kOrv2BitRateOffset, static_cast<std::uint32_t>(kbps) * 1000);
        PutU32LE(state.data() + kOrv2Word308, 20);
        PutU32LE(state.data() + kOrv2Word312, 1);
        m_engine->SetState(state);
        m_engine->SetFrameRate(Orv2FrameRate(m_orv2FrameRate), 1);
    }
    if (encoding) {
        m_engine->SetQuality(m_quality);
        m_quality = m_engine->Quality();
    }
    return true;
}

void VideoCodec::SetOrv2Rate(int bitRateKbps, int frameRate) {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!m_engine || m_fourCC != kFourCCOrv2) return;
    CloseLocked();
    m_orv2BitRate = bitRateKbps;
    m_orv2FrameRate = frameRate;
    OpenLocked(kFourCCOrv2, VideoCodecMode::FastCompress);
}

bool VideoCodec::CompressedFormat(const VideoCodecFormat& input, VideoCodecFormat& output) {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_engine && m_engine->CompressedFormat(input, output);
}

bool VideoCodec::DecompressedFormat(const VideoCodecFormat& input, VideoCodecFormat& output) {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!m_engine || input.width <= 0 || input.height <= 0 || input.width > kMaxVideoCodecSide ||
        input.height > kMaxVideoCodecSide) {
        return false;
    }
    output = input;
    output.compression = kRgbCompression;
    output.bitCount = 24;
    output.sizeImage = static_cast<std::uint32_t>(Rgb24ImageSize(input.width, input.height));
    return true;
}

void VideoCodec::BeginForSize(int width, int height, bool compress) {
    if (width == m_cachedWidth && height == m_cachedHeight) return;
    m_cachedWidth = width;
    m_cachedHeight = height;
    if (m_begun) {
        if (compress) m_engine->CompressEnd();
        else m_engine->DecompressEnd();
    }
    if (compress) m_engine->CompressBegin(width, height);
    else m_engine->DecompressBegin(width, height);
    m_begun = true;
}

bool VideoCodec::Compress(const VideoCodecFormat& input, const std::uint8_t* bits, std::size_t bitsLength,
                          VideoCodecFormat& output, std::vector<std::uint8_t>& data, std::uint32_t& flags) {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    flags = 0;
    if (!m_engine || m_mode != VideoCodecMode::FastCompress) return false;
    BeginForSize(input.width, input.height, true);
    if (!m_engine->CompressQuery(input)) return false;
    const bool forceKeyFrame = m_frameNumber % (8 * m_keyFrameFactor) == 0;
    bool keyFrame = false;
    const bool done = m_engine->Compress(bits, bitsLength, forceKeyFrame, data, keyFrame);
    m_frameNumber = (m_frameNumber + 1) % kFrameNumberWrap;
    if (!done || !m_engine->CompressedFormat(input, output)) return false;
    output.sizeImage = static_cast<std::uint32_t>(data.size());
    if (keyFrame) flags = kVideoKeyFrameFlag;
    return true;
}

bool VideoCodec::Decompress(const VideoCodecFormat& input, const std::uint8_t* bits, std::size_t length,
                            const VideoCodecFormat& output, std::uint8_t* out, std::size_t outLength) {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!m_engine || (m_mode != VideoCodecMode::FastDecompress && m_mode != VideoCodecMode::Decompress)) {
        return false;
    }
    BeginForSize(output.width, output.height, false);
    if (!m_engine->DecompressQuery(input, output)) return false;
    try {
        return m_engine->Decompress(bits, length, out, outLength);
    } catch (...) {
        return false;
    }
}

void VideoCodec::Close() {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    CloseLocked();
}

void VideoCodec::CloseLocked() {
    if (m_engine && m_begun) {
        m_engine->CompressEnd();
        m_engine->DecompressEnd();
    }
    m_engine.reset();
    m_keyFrameFactor = kKeyFrameFactorReset;
    m_cachedWidth = m_cachedHeight = 0;
    m_begun = false;
    m_mpeg4Quality = kMpeg4QualityReset;
    m_frameNumber = 0;
    m_quality = kQualityReset;
    m_fourCC = 0;
    m_mode = VideoCodecMode::None;
    m_orv2BitRate = kOrv2BitRateReset;
    m_orv2FrameRate = 0;
}

std::uint32_t VideoCodec::FourCC() const {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_fourCC;
}

VideoCodecMode VideoCodec::Mode() const {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_mode;
}

int VideoCodec::FrameNumber() const {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_frameNumber;
}

int VideoCodec::Quality() const {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_quality;
}

int VideoCodec::KeyFrameFactor() const {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_keyFrameFactor;
}

bool VideoCodec::Begun() const {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_begun;
}

std::vector<std::uint8_t> VideoCodec::CodecState() const {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_engine ? m_engine->State() : std::vector<std::uint8_t>();
}

int VideoCodec::EncoderBitRate() const {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_engine && m_fourCC == kFourCCOrv2 ? m_engine->BitRateKbps(m_cachedWidth, m_cachedHeight) : 0;
}

int VideoCodec::EncoderFrameRate() const {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_engine && m_fourCC == kFourCCOrv2 ? m_engine->FrameRate() : 0;
}

} // namespace orv
