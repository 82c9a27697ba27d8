#include "client/audio/codecs/g7231_codec.h"
#include "fuzz/codecs/decode_payload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One decoder for the whole run, as a receive thread keeps it for a call.
    static orv::G7231Codec codec;
    orv::DecodePayload(codec, data, size);
    return 0;
}
