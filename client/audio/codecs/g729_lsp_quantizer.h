#pragma once

// Two-stage LSF quantiser with switched 4th-order MA prediction.

namespace orv::g729 {

// The four newest quantiser output vectors (LSF, radians); [0] is the newest.
struct LspPredictor {
    float past[4][10];
    void Reset();
};

struct LspIndices {
    int mode;  // L0
    int first; // L1
    int lower; // L2
    int upper; // L3
};

// Encoder: quantises the LSPs (cosines, decreasing) and returns the indices
// and the quantised LSPs (cosines), updating the predictor.
LspIndices QuantizeLsp(LspPredictor& predictor, const float* lsp, float* quantizedLsp);

// Decoder side, good frame: rebuilds the quantised LSFs (radians) from the
// indices and updates the predictor. Also used by the encoder.
void ReconstructLsf(LspPredictor& predictor, const LspIndices& indices, float* lsf);

// Decoder side, erased frame: updates the predictor as if lastLsf had been
// received with lastMode.
void ConcealLsf(LspPredictor& predictor, const float* lastLsf, int lastMode);

} // namespace orv::g729
