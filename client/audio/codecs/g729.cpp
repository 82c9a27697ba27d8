#include "client/audio/codecs/g729.h"

#include <cstdio>
#include <new>

#include "client/audio/codecs/g729_decoder.h"
#include "client/audio/codecs/g729_encoder.h"

namespace orv {

namespace {

constexpr uint32_t kValidMark = 0x47373239; // "G729"

} // namespace

struct G729Instance {
    uint32_t mark;
    g729::Encoder encoder;
    g729::Decoder decoder;
};

namespace {

bool IsValid(const G729Instance* instance) {
    return instance != nullptr && instance->mark == kValidMark;
}

} // namespace

int G729Open(G729Instance*& instance) {
    instance = new (std::nothrow) G729Instance{};
    if (instance == nullptr) {
        std::printf("Failed to Open CODEC Instance\n");
        std::fflush(stdout);
        return kG729OpenFailed;
    }
    instance->mark = kValidMark;
    instance->encoder.Reset();
    instance->decoder.Reset();
    return kG729Ok;
}

int G729Encode(G729Instance* instance, const int16_t* pcm, uint8_t* frame) {
    if (!IsValid(instance)) return kG729InvalidInstance;
    instance->encoder.EncodeFrame(pcm, frame);
    return kG729Ok;
}

int G729Decode(G729Instance* instance, const uint8_t* frame, int16_t* pcm) {
    if (!IsValid(instance)) return kG729InvalidInstance;
    instance->decoder.DecodeFrame(frame, pcm);
    return kG729Ok;
}

int G729Close(G729Instance*& instance) {
    if (!IsValid(instance)) return kG729InvalidInstance;
    instance->mark = 0;
    delete instance;
    instance = nullptr;
    return kG729Ok;
}

} // namespace orv
