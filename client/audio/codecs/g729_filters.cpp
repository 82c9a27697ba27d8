#include "client/audio/codecs/g729_filters.h"

#include <cstring>

namespace orv::g729 {

void Residual(const float* a, const float* x, float* y, int n) {
    for (int i = 0; i < n; ++i) {
        const float* p = x + i;
        float even = p[0] + a[2] * p[-2] + a[4] * p[-4];
        float odd = a[1] * p[-1] + a[3] * p[-3] + a[5] * p[-5];
        even += a[6] * p[-6] + a[8] * p[-8] + a[10] * p[-10];
        odd += a[7] * p[-7] + a[9] * p[-9];
        y[i] = even + odd;
    }
}

void Synthesis(const float* a, const float* x, float* y, int n, float* mem, bool update) {
    float buf[kOrder + kFrame];
    std::memcpy(buf, mem, sizeof(float) * kOrder);
    float* out = buf + kOrder;
    for (int i = 0; i < n; ++i) {
        // Two partial sums over the older outputs run while the newest one is
        // still being computed; only the a[1] term waits for it.
        const float* o = out + i;
        float even = a[10] * o[-10] + a[8] * o[-8];
        float odd = a[9] * o[-9] + a[7] * o[-7];
        even += a[6] * o[-6] + a[4] * o[-4];
        odd += a[5] * o[-5] + a[3] * o[-3];
        even += a[2] * o[-2];
        out[i] = (x[i] - (even + odd)) - a[1] * o[-1];
    }
    std::memcpy(y, out, sizeof(float) * n);
    if (update) std::memcpy(mem, out + n - kOrder, sizeof(float) * kOrder);
}

void WeightCoefficients(const float* a, float gamma, float* out) {
    float factor = gamma;
    out[0] = a[0];
    for (int i = 1; i <= kOrder; ++i) {
        out[i] = a[i] * factor;
        factor *= gamma;
    }
}

void Convolve(const float* x, const float* h, float* y) {
    for (int n = 0; n < kSubframe; ++n) {
        float s = 0.0f;
        for (int i = 0; i <= n; ++i)
            s += x[i] * h[n - i];
        y[n] = s;
    }
}

float Dot(const float* x, const float* y, int n) {
    // Eight independent sums, so the products pipeline (and vectorise).
    float acc[8] = {};
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        for (int k = 0; k < 8; ++k)
            acc[k] += x[i + k] * y[i + k];
    }
    float s = ((acc[0] + acc[4]) + (acc[1] + acc[5])) + ((acc[2] + acc[6]) + (acc[3] + acc[7]));
    for (; i < n; ++i)
        s += x[i] * y[i];
    return s;
}

void HighPass::Run(const float* b, const float* a, const float* in, float* out, int n) {
    float px1 = x1, px2 = x2, py1 = y1, py2 = y2; // locals: out may not alias the state
    for (int i = 0; i < n; ++i) {
        const float x = in[i];
        // The feedback of the newest output comes last: it is the only term that waits.
        const float y = (b[0] * x + b[1] * px1 + b[2] * px2 + a[2] * py2) + a[1] * py1;
        px2 = px1;
        px1 = x;
        py2 = py1;
        py1 = y;
        out[i] = y;
    }
    x1 = px1;
    x2 = px2;
    y1 = py1;
    y2 = py2;
}

} // namespace orv::g729
