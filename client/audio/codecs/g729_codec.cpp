#include "client/audio/codecs/g729_codec.h"

#include "client/audio/codecs/pcm_bytes.h"
#include "client/audio/codecs/unit_loop.h"

namespace orv {

namespace {

constexpr uint32_t kBlockBytes = kG729FrameSamples * 2;

} // namespace

G729Codec::G729Codec() : AudioCodec(18) {
    G729Open(instance_);
}

G729Codec::~G729Codec() {
    if (instance_ != nullptr) G729Close(instance_);
}

int G729Codec::Encode(const uint8_t* pcm, uint32_t& pcmLength, uint8_t* out, uint32_t& outLength) {
    return ConvertWholeUnits(pcmLength, kBlockBytes, outLength, kG729FrameBytes,
                             [&](uint32_t in, uint32_t to) {
                                 int16_t samples[kG729FrameSamples];
                                 for (int i = 0; i < kG729FrameSamples; ++i)
                                     samples[i] = ReadSample(pcm + in + 2 * i);
                                 return G729Encode(instance_, samples, out + to) == kG729Ok;
                             });
}

int G729Codec::Decode(const uint8_t* in, uint32_t& inLength, uint8_t* pcm, uint32_t& pcmLength) {
    return ConvertWholeUnits(inLength, kG729FrameBytes, pcmLength, kBlockBytes,
                             [&](uint32_t from, uint32_t to) {
                                 int16_t samples[kG729FrameSamples];
                                 if (G729Decode(instance_, in + from, samples) != kG729Ok)
                                     return false;
                                 for (int i = 0; i < kG729FrameSamples; ++i)
                                     WriteSample(pcm + to + 2 * i, samples[i]);
                                 return true;
                             });
}

int G729Codec::DecodeErasure(uint8_t* pcm, uint32_t& pcmLength) {
    const uint32_t frames = pcmLength / kBlockBytes;
    pcmLength = 0;
    for (uint32_t f = 0; f < frames; ++f) {
        int16_t samples[kG729FrameSamples];
        if (G729Decode(instance_, nullptr, samples) != kG729Ok) return -1;
        for (int i = 0; i < kG729FrameSamples; ++i) WriteSample(pcm + pcmLength + 2 * i, samples[i]);
        pcmLength += kBlockBytes;
    }
    return 0;
}

} // namespace orv
