#pragma once

// Decoder postfilter: long-term (harmonic) filter on the weighted residual,
// short-term formant filter, tilt compensation and adaptive gain control.

#include "client/audio/codecs/g729_constants.h"

namespace orv::g729 {

class Postfilter {
  public:
    void Reset();

    // Filters one subframe. synth points at the 40 synthesised samples and is
    // readable back to synth[-10]; a is the subframe's decoded LP filter and
    // t0 the integer delay of the frame's first subframe. Returns the delay of
    // the long-term filter, 0 when it was off (the voicing used for concealment).
    int Run(const float* synth, const float* a, int t0, float* out);

  private:
    int LongTerm(const float* residual, int t0, float* out) const;

    float residual_[kMemRes2 + kSubframe]; // weighted residual with its history
    float synthesisMemory_[kOrder];        // state of 1/A(z/gamma1)
    float gain_;                           // running gain of the gain control
};

} // namespace orv::g729
