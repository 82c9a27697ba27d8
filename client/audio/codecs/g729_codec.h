#pragma once

#include "client/audio/codecs/audio_codec.h"
#include "client/audio/codecs/g729.h"

namespace orv {

// G.729 codec object: 160 PCM bytes (10 ms) <-> one 10-byte frame, through one
// codec instance whose memories run on across calls.
class G729Codec : public AudioCodec {
  public:
    G729Codec();
    ~G729Codec() override;

    int Encode(const uint8_t* pcm, uint32_t& pcmLength, uint8_t* out, uint32_t& outLength) override;
    int Decode(const uint8_t* in, uint32_t& inLength, uint8_t* pcm, uint32_t& pcmLength) override;
    uint32_t EncodedSize(uint32_t pcmBytes) const override { return Scale(pcmBytes, 60, 960); }
    uint32_t PcmSize(uint32_t encodedBytes) const override { return Scale(encodedBytes, 960, 60); }
    uint32_t UnitSize() const override { return kG729FrameBytes; }
    bool ConcealsLoss() const override { return true; }
    int DecodeErasure(uint8_t* pcm, uint32_t& pcmLength) override;

  private:
    G729Instance* instance_ = nullptr;
};

} // namespace orv
