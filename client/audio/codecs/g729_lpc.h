#pragma once

// LP analysis of the encoder and the conversions between LP coefficients and
// line spectral pairs (LSPs, cosine domain) used by both sides.

namespace orv::g729 {

// Windowed autocorrelation r[0..10] of the 240-sample speech buffer, with the
// lag window applied and r[0] floored at 1.
void Autocorrelation(const float* speech, float* r);

// Levinson-Durbin: LP coefficients a[0..10] (a[0] = 1) from r[0..10]; the
// first two reflection coefficients go to k[0..1].
void Levinson(const float* r, float* a, float* k);

// Roots of the sum and difference polynomials of a, in decreasing cosine
// order. Returns false (lsp untouched) when fewer than 10 roots are found.
bool LpToLsp(const float* a, float* lsp);

// Inverse of LpToLsp.
void LspToLp(const float* lsp, float* a);

} // namespace orv::g729
