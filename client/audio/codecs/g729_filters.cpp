#include "client/audio/codecs/g729_filters.h"

#include <cstring>

namespace orv::g729 {

void Residual(const float* a, const float* x, float* y, int n) {
    for (int i = 0; i < n; ++i) {
        float s = x[i];
        for (int j = 1; j <= kOrder; ++j) s += a[j] * x[i - j];
        y[i] = s;
    }
}

void Synthesis(const float* a, const float* x, float* y, int n, float* mem, bool update) {
    float buf[kOrder + kFrame];
    std::memcpy(buf, mem, sizeof(float) * kOrder);
    float* out = buf + kOrder;
    for (int i = 0; i < n; ++i) {
        float s = x[i];
        for (int j = 1; j <= kOrder; ++j) s -= a[j] * out[i - j];
        out[i] = s;
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
        for (int i = 0; i <= n; ++i) s += x[i] * h[n - i];
        y[n] = s;
    }
}

float Dot(const float* x, const float* y, int n) {
    float s = 0.0f;
    for (int i = 0; i < n; ++i) s += x[i] * y[i];
    return s;
}

}  // namespace orv::g729
