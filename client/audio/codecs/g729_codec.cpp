#include "client/audio/codecs/g729_codec.h"

#include "client/audio/codecs/pcm_bytes.h"

namespace orv {

namespace {

constexpr uint32_t kBlockBytes = kG729FrameSamples * 2;

}  // namespace

G729Codec::G729Codec() : AudioCodec(18) { G729Open(instance_); }

G729Codec::~G729Codec() {
    if (instance_ != nullptr) G729Close(instance_);
}

int G729Codec::Encode(const uint8_t* pcm, uint32_t& pcmLength, uint8_t* out, uint32_t& outLength) {
    uint32_t consumed = 0;
    uint32_t produced = 0;
    int16_t samples[kG729FrameSamples];
    while (pcmLength - consumed >= kBlockBytes && outLength - produced >= kG729FrameBytes) {
        for (int i = 0; i < kG729FrameSamples; ++i) samples[i] = ReadSample(pcm + consumed + 2 * i);
        if (G729Encode(instance_, samples, out + produced) != kG729Ok) return -1;
        consumed += kBlockBytes;
        produced += kG729FrameBytes;
    }
    pcmLength = consumed;
    outLength = produced;
    return 0;
}

int G729Codec::Decode(const uint8_t* in, uint32_t& inLength, uint8_t* pcm, uint32_t& pcmLength) {
    uint32_t consumed = 0;
    uint32_t produced = 0;
    int16_t samples[kG729FrameSamples];
    while (inLength - consumed >= kG729FrameBytes && pcmLength - produced >= kBlockBytes) {
        if (G729Decode(instance_, in + consumed, samples) != kG729Ok) return -1;
        for (int i = 0; i < kG729FrameSamples; ++i) WriteSample(pcm + produced + 2 * i, samples[i]);
        consumed += kG729FrameBytes;
        produced += kBlockBytes;
    }
    inLength = consumed;
    pcmLength = produced;
    return 0;
}

}  // namespace orv
