#include "client/audio/codecs/g7231_codec.h"

#include "client/audio/codecs/pcm_bytes.h"

namespace orv {

namespace {

constexpr uint32_t kBlockBytes = G7231Stream::kFrameSamples * 2;

}  // namespace

G7231Codec::G7231Codec() : AudioCodec(4) {
    if (!encoder_.Open(G7231Stream::Direction::Encode) || !decoder_.Open(G7231Stream::Direction::Decode)) {
        encoder_.Close();
        decoder_.Close();
    }
}

int G7231Codec::Encode(const uint8_t* pcm, uint32_t& pcmLength, uint8_t* out, uint32_t& outLength) {
    if (!IsOpen()) return -1;
    uint32_t consumed = 0;
    uint32_t produced = 0;
    int16_t samples[G7231Stream::kFrameSamples];
    while (pcmLength - consumed >= kBlockBytes && outLength - produced >= G7231Stream::kFrameBytes) {
        for (size_t i = 0; i < G7231Stream::kFrameSamples; ++i) samples[i] = ReadSample(pcm + consumed + 2 * i);
        if (!encoder_.EncodeFrame(samples, out + produced)) return -1;
        consumed += kBlockBytes;
        produced += G7231Stream::kFrameBytes;
    }
    pcmLength = consumed;
    outLength = produced;
    return 0;
}

int G7231Codec::Decode(const uint8_t* in, uint32_t& inLength, uint8_t* pcm, uint32_t& pcmLength) {
    if (!IsOpen()) return -1;
    uint32_t consumed = 0;
    uint32_t produced = 0;
    int16_t samples[G7231Stream::kFrameSamples];
    while (inLength - consumed >= G7231Stream::kFrameBytes && pcmLength - produced >= kBlockBytes) {
        if (!decoder_.DecodeFrame(in + consumed, samples)) return -1;
        for (size_t i = 0; i < G7231Stream::kFrameSamples; ++i) WriteSample(pcm + produced + 2 * i, samples[i]);
        consumed += G7231Stream::kFrameBytes;
        produced += kBlockBytes;
    }
    inLength = consumed;
    pcmLength = produced;
    return 0;
}

}  // namespace orv
