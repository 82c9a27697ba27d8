#include "client/audio/codecs/g711.h"
#include "fuzz/codecs/decode_payload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orv::G711Codec alaw(orv::G711Codec::Law::A);
    orv::G711Codec mulaw(orv::G711Codec::Law::Mu);
    orv::DecodePayload(alaw, data, size);
    orv::DecodePayload(mulaw, data, size);
    return 0;
}
