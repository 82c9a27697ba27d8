#pragma once

#include <cstdint>

#include "client/audio/codecs/audio_codec.h"

namespace orv {

// ITU-T G.711 on 16-bit samples. Negative samples are quantised by their
// one's complement, as the ITU reference coder does, so both halves of the
// scale use the same decision levels.
uint8_t LinearToALaw(int16_t sample);
int16_t ALawToLinear(uint8_t code);
uint8_t LinearToMuLaw(int16_t sample);
int16_t MuLawToLinear(uint8_t code);

// G.711 codec object: one byte per sample, A-law (codec 1) or mu-law (codec 2).
class G711Codec : public AudioCodec {
  public:
    enum class Law { A, Mu };
    explicit G711Codec(Law law);

    int Encode(const uint8_t* pcm, uint32_t& pcmLength, uint8_t* out, uint32_t& outLength) override;
    int Decode(const uint8_t* in, uint32_t& inLength, uint8_t* pcm, uint32_t& pcmLength) override;
    uint32_t EncodedSize(uint32_t pcmBytes) const override { return Scale(pcmBytes, 480, 960); }
    uint32_t PcmSize(uint32_t encodedBytes) const override { return Scale(encodedBytes, 960, 480); }
    uint32_t UnitSize() const override { return 80; }

  private:
    Law law_;
};

} // namespace orv
