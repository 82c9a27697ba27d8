#include "client/audio/codecs/g7231_codec.h"

#include "client/audio/codecs/pcm_bytes.h"
#include "client/audio/codecs/unit_loop.h"

namespace orv {

namespace {

constexpr uint32_t kBlockBytes = G7231Stream::kFrameSamples * 2;

// A 6.3 kbit/s frame whose first pitch lag carries a forbidden code (124-127): the decoder
// takes it as an erased frame and conceals it from its past (interpolated excitation, then
// fading), as it does for any frame that fails its checks.
constexpr uint8_t kErasedFrame[G7231Stream::kFrameBytes] = {0x00, 0x00, 0x00, 0xFC, 0x01};

} // namespace

G7231Codec::G7231Codec() : AudioCodec(4) {
    if (!encoder_.Open(G7231Stream::Direction::Encode) ||
        !decoder_.Open(G7231Stream::Direction::Decode)) {
        encoder_.Close();
        decoder_.Close();
    }
}

int G7231Codec::Encode(const uint8_t* pcm, uint32_t& pcmLength, uint8_t* out, uint32_t& outLength) {
    if (!IsOpen()) return -1;
    return ConvertWholeUnits(pcmLength, kBlockBytes, outLength, G7231Stream::kFrameBytes,
                             [&](uint32_t in, uint32_t to) {
                                 int16_t samples[G7231Stream::kFrameSamples];
                                 for (size_t i = 0; i < G7231Stream::kFrameSamples; ++i)
                                     samples[i] = ReadSample(pcm + in + 2 * i);
                                 return encoder_.EncodeFrame(samples, out + to);
                             });
}

int G7231Codec::Decode(const uint8_t* in, uint32_t& inLength, uint8_t* pcm, uint32_t& pcmLength) {
    if (!IsOpen()) return -1;
    return ConvertWholeUnits(inLength, G7231Stream::kFrameBytes, pcmLength, kBlockBytes,
                             [&](uint32_t from, uint32_t to) {
                                 int16_t samples[G7231Stream::kFrameSamples];
                                 if (!decoder_.DecodeFrame(in + from, samples)) return false;
                                 for (size_t i = 0; i < G7231Stream::kFrameSamples; ++i)
                                     WriteSample(pcm + to + 2 * i, samples[i]);
                                 return true;
                             });
}

int G7231Codec::DecodeErasure(uint8_t* pcm, uint32_t& pcmLength) {
    const uint32_t frames = pcmLength / kBlockBytes;
    pcmLength = 0;
    for (uint32_t f = 0; f < frames; ++f) {
        uint32_t in = G7231Stream::kFrameBytes, out = kBlockBytes;
        if (Decode(kErasedFrame, in, pcm + pcmLength, out) != 0 || out != kBlockBytes) return -1;
        pcmLength += kBlockBytes;
    }
    return 0;
}

} // namespace orv
