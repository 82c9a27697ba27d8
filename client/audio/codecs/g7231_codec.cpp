#include "client/audio/codecs/g7231_codec.h"

#include "client/audio/codecs/pcm_bytes.h"
#include "client/audio/codecs/unit_loop.h"

namespace orv {

namespace {

constexpr uint32_t kBlockBytes = G7231Stream::kFrameSamples * 2;

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

} // namespace orv
