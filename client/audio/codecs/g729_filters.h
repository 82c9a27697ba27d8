#pragma once

// The small filters every stage of G.729 is built from. A filter "a" has
// kOrder + 1 coefficients with a[0] = 1.

#include "client/audio/codecs/g729_constants.h"

namespace orv::g729 {

// y(n) = x(n) + sum a_i x(n-i); reads x[-kOrder..-1]. y may not alias x.
void Residual(const float* a, const float* x, float* y, int n);

// y(n) = x(n) - sum a_i y(n-i), starting from mem (mem[kOrder-1] is the newest
// past output). With update, mem receives the last kOrder outputs. y may alias
// x; n <= kFrame.
void Synthesis(const float* a, const float* x, float* y, int n, float* mem, bool update);

// out_i = a_i * gamma^i.
void WeightCoefficients(const float* a, float gamma, float* out);

// y(n) = sum_{i=0..n} x(i) h(n-i), n = 0..kSubframe-1.
void Convolve(const float* x, const float* h, float* y);

float Dot(const float* x, const float* y, int n);

// Second-order IIR y(n) = b0 x(n) + b1 x(n-1) + b2 x(n-2) + a1 y(n-1) + a2 y(n-2)
// (a1, a2 stored with the sign of the recursion), state across calls.
struct HighPass {
    float x1, x2, y1, y2;
    void Run(const float* b, const float* a, const float* in, float* out, int n);
};

} // namespace orv::g729
