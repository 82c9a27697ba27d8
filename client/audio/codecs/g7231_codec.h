#pragma once

#include "client/audio/codecs/audio_codec.h"
#include "client/audio/codecs/g7231_stream.h"

namespace orv {

// G.723.1 at 6.3 kbit/s: 480 PCM bytes (30 ms) <-> one 24-byte frame. Both
// directions are opened at creation, encoder first; if either fails both are
// closed and every encode and decode fails.
class G7231Codec : public AudioCodec {
  public:
    G7231Codec();

    bool IsOpen() const { return encoder_.IsOpen() && decoder_.IsOpen(); }
    int Encode(const uint8_t* pcm, uint32_t& pcmLength, uint8_t* out, uint32_t& outLength) override;
    int Decode(const uint8_t* in, uint32_t& inLength, uint8_t* pcm, uint32_t& pcmLength) override;
    uint32_t EncodedSize(uint32_t pcmBytes) const override { return Scale(pcmBytes, 48, 960); }
    uint32_t PcmSize(uint32_t encodedBytes) const override { return Scale(encodedBytes, 960, 48); }
    uint32_t UnitSize() const override { return 24; }
    bool ConcealsLoss() const override { return true; }
    int DecodeErasure(uint8_t* pcm, uint32_t& pcmLength) override;

  private:
    G7231Stream encoder_;
    G7231Stream decoder_;
};

} // namespace orv
