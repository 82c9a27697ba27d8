#include "client/audio/codecs/codec_probe.h"

#include "client/audio/codecs/g7231_stream.h"

namespace orv {

bool CanOpenG7231() {
    G7231Stream encoder;
    G7231Stream decoder;
    return encoder.Open(G7231Stream::Direction::Encode) &&
           decoder.Open(G7231Stream::Direction::Decode);
}

} // namespace orv
