#pragma once

#include <cstdint>

#include "client/audio/codecs/g729_bitstream.h"
#include "client/audio/codecs/g729_constants.h"
#include "client/audio/codecs/g729_filters.h"
#include "client/audio/codecs/g729_gain.h"
#include "client/audio/codecs/g729_lsp_quantizer.h"
#include "client/audio/codecs/g729_pitch.h"

namespace orv::g729 {

// CS-ACELP encoder: 80 samples in, one 10-byte frame out. All state lives in
// the object (no allocation per frame).
class Encoder {
  public:
    void Reset();
    void EncodeFrame(const int16_t* pcm, uint8_t* frame);
    // The local synthesis of the last frame: what a decoder synthesises
    // before its postfilter from the frame just produced.
    const float* LastSynthesis() const { return synthesis_; }

  private:
    struct SubframeFilters {
        float quantized[kOrder + 1]; // A^(z)
        float weightNum[kOrder + 1]; // A(z/gamma1)
        float weightDen[kOrder + 1]; // A(z/gamma2)
    };

    void PreProcess(const int16_t* pcm);
    // Quantises the LSPs and builds both subframes' filters.
    void LinearPrediction(SubframeFilters* filters, FrameFields& fields);
    void WeightingFactors(const float* lsp1, const float* lsp2, const float* k, float* gamma1,
                          float* gamma2);
    void CodeSubframe(int index, const SubframeFilters& f, DelayRange& range, FrameFields& fields);

    HighPass highPass_;                // input pre-processing
    float speech_[kWindow];            // current frame at 120..199
    float weighted_[kPitMax + kFrame]; // weighted speech with history
    float excitation_[kPitMax + kInterpolLen + kFrame];
    float weightedMemory_[kOrder];      // 1/A(z/gamma2) state of the weighted speech
    float synthesisMemory_[kOrder];     // local synthesis state
    float synthesis_[kFrame];           // local synthesis of the last frame
    float errorMemory_[kOrder];         // last 10 of s - s^
    float weightedErrorMemory_[kOrder]; // target filter state
    float lspOld_[kOrder];
    float lspQuantizedOld_[kOrder];
    float larOld_[2];
    int smooth_;
    float sharpening_;
    int budget_;
    LspPredictor lspPredictor_;
    GainPredictor gainPredictor_;
    Taming taming_;
};

} // namespace orv::g729
