#pragma once

// Algebraic (fixed) codebook: 4 signed pulses on interleaved tracks of a
// 40-sample subframe, 13 position bits and 4 sign bits.

namespace orv::g729 {

struct AcelpIndices {
    int positions = 0; // C
    int signs = 0;     // S
};

// Encoder search. h is the impulse response (sharpened in place when t0 < 40),
// target the pitch-removed target. Writes the (unsharpened) codeword and its
// filtered version. budget carries the search budget from sf1 to sf2.
AcelpIndices SearchAcelp(const float* target, float* h, int t0, float sharpening, int& budget,
                         float* code, float* filteredCode);

// Both sides: the codeword of the indices.
void DecodeAcelp(AcelpIndices indices, float* code);

// Pitch sharpening c(n) += beta c(n - t0) for t0 < 40, in increasing n.
void Sharpen(float* v, int t0, float beta);

} // namespace orv::g729
