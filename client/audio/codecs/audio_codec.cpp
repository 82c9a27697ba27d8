#include "client/audio/codecs/audio_codec.h"

#include "client/audio/codecs/g711.h"
#include "client/audio/codecs/g7231_codec.h"
#include "client/audio/codecs/g729_codec.h"

namespace orv {

std::unique_ptr<AudioCodec> CreateAudioCodec(int codecId) {
    switch (codecId) {
    case kCodecG711ALaw:
        return std::make_unique<G711Codec>(G711Codec::Law::A);
    case kCodecG711MuLaw:
        return std::make_unique<G711Codec>(G711Codec::Law::Mu);
    case kCodecG7231:
        return std::make_unique<G7231Codec>();
    case kCodecG729:
        return std::make_unique<G729Codec>();
    default:
        return nullptr;
    }
}

} // namespace orv
