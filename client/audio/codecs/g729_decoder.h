#pragma once

#include <cstdint>

#include "client/audio/codecs/g729_bitstream.h"
#include "client/audio/codecs/g729_constants.h"
#include "client/audio/codecs/g729_filters.h"
#include "client/audio/codecs/g729_gain.h"
#include "client/audio/codecs/g729_lsp_quantizer.h"
#include "client/audio/codecs/g729_postfilter.h"

namespace orv::g729 {

// CS-ACELP decoder with frame-erasure concealment, postfilter and output
// high-pass filter: one 10-byte frame (or a lost one) in, 80 samples out.
class Decoder {
  public:
    void Reset();
    // frame == nullptr decodes a lost frame.
    void DecodeFrame(const uint8_t* frame, int16_t* pcm);
    // The synthesis of the last frame, before the postfilter.
    const float* LastSynthesis() const { return synthesis_ + kOrder; }

  private:
    void DecodeLsp(const FrameFields* fields, float* a1, float* a2);
    void PostProcess(const float* in, int16_t* pcm);
    int NextRandom();

    float excitation_[kPitMax + kInterpolLen + kFrame];
    float synthesis_[kOrder + kFrame]; // 10 samples of history, then the frame
    float synthesisMemory_[kOrder];
    float lspOld_[kOrder];
    float lastLsf_[kOrder];
    int lastMode_;
    float sharpening_;
    int lastT0_;
    int voicing_;
    int seed_;
    Gains gains_;
    LspPredictor lspPredictor_;
    GainPredictor gainPredictor_;
    Postfilter postfilter_;
    HighPass highPass_;
};

} // namespace orv::g729
