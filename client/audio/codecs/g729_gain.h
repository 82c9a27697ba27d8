#pragma once

// Conjugate-structure gain quantiser (two stages, 3 + 4 bits) with the
// MA-predicted fixed-codebook gain, and the decoder's gain reconstruction.

namespace orv::g729 {

// Past quantised prediction errors of the fixed gain (dB), [0] newest.
struct GainPredictor {
    float past[4];
    void Reset();
    // Predicted fixed gain g'_c for the (sharpened) codeword.
    float Predict(const float* code) const;
    void Push(float errorDb);
};

struct Gains {
    float pitch = 0.0f;
    float code = 0.0f;
};

// Correlations of the quantisation error, regularised as in the reference:
// xi[0] = yy1, xi[1] = -2 x.y1, xi[2] = y2y2, xi[3] = -2 x.y2, xi[4] = 2 y1.y2.
struct GainCorrelations {
    float xi[5];
};

// Encoder: picks the codebook pair, returns the 7-bit index (GA*16 + GB) and
// the quantised gains, and updates the predictor.
int QuantizeGains(GainPredictor& predictor, const float* code, const GainCorrelations& c,
                  bool taming, Gains& out);

// Decoder, good frame.
Gains DecodeGains(GainPredictor& predictor, int index, const float* code);

// Decoder, erased frame: attenuates the previous gains and ages the predictor.
Gains ConcealGains(GainPredictor& predictor, Gains previous);

} // namespace orv::g729
