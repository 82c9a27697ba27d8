#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "client/audio/codecs/audio_codec.h"

namespace orv {

// Feeds one fuzz input to a decoder: the first two bytes choose the PCM room,
// the rest is the payload (any length). Checks the reported lengths.
inline void DecodePayload(AudioCodec& codec, const uint8_t* data, size_t size) {
    if (size < 2) return;
    const uint32_t room = (data[0] | (data[1] << 8)) % 4096;
    std::vector<uint8_t> payload(data + 2, data + size); // exactly sized: a read past it is caught
    std::vector<uint8_t> pcm(room);
    uint32_t inLength = static_cast<uint32_t>(payload.size());
    uint32_t pcmLength = room;
    if (codec.Decode(payload.data(), inLength, pcm.data(), pcmLength) == 0) {
        if (inLength > payload.size() || pcmLength > room) __builtin_trap();
    }
}

} // namespace orv
