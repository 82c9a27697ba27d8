#include <algorithm>

#include "client/audio/codecs/g729.h"
#include "client/audio/codecs/g729_codec.h"
#include "fuzz/codecs/decode_payload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orv::G729Codec codec;
    orv::DecodePayload(codec, data, size);

    // The same bytes as a frame sequence with losses: a frame whose first
    // byte is odd is lost, so concealment and recovery mix freely. A few
    // dozen frames reach every state; more only slow the run down.
    constexpr size_t kMaxFrames = 32;
    orv::G729Instance* instance = nullptr;
    if (orv::G729Open(instance) != orv::kG729Ok) return 0;
    int16_t pcm[orv::kG729FrameSamples];
    const size_t end = std::min(size, kMaxFrames * orv::kG729FrameBytes);
    for (size_t offset = 0; offset + orv::kG729FrameBytes <= end; offset += orv::kG729FrameBytes) {
        const bool lost = (data[offset] & 1) != 0;
        orv::G729Decode(instance, lost ? nullptr : data + offset, pcm);
    }
    orv::G729Close(instance);
    return 0;
}
