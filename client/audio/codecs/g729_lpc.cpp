#include "client/audio/codecs/g729_lpc.h"

#include "client/audio/codecs/g729_constants.h"
#include "client/audio/codecs/g729_tables.h"

namespace orv::g729 {

void Autocorrelation(const float* speech, float* r) {
    float windowed[kWindow];
    for (int n = 0; n < kWindow; ++n)
        windowed[n] = speech[n] * kG729Hamwindow[n];
    for (int k = 0; k <= kOrder; ++k) {
        float s = 0.0f;
        for (int n = k; n < kWindow; ++n)
            s += windowed[n] * windowed[n - k];
        r[k] = s;
    }
    if (r[0] < 1.0f) r[0] = 1.0f;
    for (int k = 1; k <= kOrder; ++k)
        r[k] *= kG729Lwindow[k - 1];
}

void Levinson(const float* r, float* a, float* k) {
    float previous[kOrder + 1];
    a[0] = 1.0f;
    a[1] = -r[1] / r[0];
    k[0] = a[1];
    float error = r[0] + r[1] * a[1];
    for (int i = 2; i <= kOrder; ++i) {
        float rho = 0.0f;
        for (int j = 0; j < i; ++j)
            rho += r[i - j] * a[j];
        const float ki = -rho / error;
        if (i == 2) k[1] = ki;
        for (int j = 0; j < i; ++j)
            previous[j] = a[j];
        for (int j = 1; j < i; ++j)
            a[j] = previous[j] + ki * previous[i - j];
        a[i] = ki;
        error += ki * rho;
        if (error <= 0.0f) error = 0.001f;
    }
}

namespace {

// C_f(x) for the half polynomial f[0..5] (Chebyshev form).
float Chebyshev(float x, const float* f) {
    float b2 = 1.0f;
    float b1 = 2.0f * x + f[1];
    for (int i = 2; i < 5; ++i) {
        const float b0 = 2.0f * x * b1 - b2 + f[i];
        b2 = b1;
        b1 = b0;
    }
    return x * b1 - b2 + 0.5f * f[5];
}

} // namespace

bool LpToLsp(const float* a, float* lsp) {
    float f1[6];
    float f2[6];
    f1[0] = 1.0f;
    f2[0] = 1.0f;
    for (int i = 1; i <= 5; ++i) {
        f1[i] = a[i] + a[kOrder + 1 - i] - f1[i - 1];
        f2[i] = a[i] - a[kOrder + 1 - i] + f2[i - 1];
    }
    float roots[kOrder];
    int found = 0;
    const float* poly = f1;
    float xLow = kG729Grid[0];
    float yLow = Chebyshev(xLow, poly);
    int j = 0;
    while (found < kOrder && j < kGridPoints) {
        ++j;
        float xHigh = xLow;
        float yHigh = yLow;
        xLow = kG729Grid[j];
        yLow = Chebyshev(xLow, poly);
        if (yLow * yHigh <= 0.0f) {
            for (int step = 0; step < 4; ++step) {
                const float xMid = 0.5f * (xLow + xHigh);
                const float yMid = Chebyshev(xMid, poly);
                if (yLow * yMid <= 0.0f) {
                    xHigh = xMid;
                    yHigh = yMid;
                } else {
                    xLow = xMid;
                    yLow = yMid;
                }
            }
            const float root = xLow - yLow * (xHigh - xLow) / (yHigh - yLow);
            roots[found++] = root;
            poly = poly == f1 ? f2 : f1;
            xLow = root;
            yLow = Chebyshev(xLow, poly);
            --j;
        }
    }
    if (found < kOrder) return false;
    for (int i = 0; i < kOrder; ++i)
        lsp[i] = roots[i];
    return true;
}

namespace {

// First half f[0..5] of the product of (1 - 2 q z^-1 + z^-2) over every other LSP.
void HalfPolynomial(const float* lsp, float* f) {
    f[0] = 1.0f;
    f[1] = -2.0f * lsp[0];
    for (int i = 2; i <= 5; ++i) {
        const float b = -2.0f * lsp[2 * i - 2];
        f[i] = b * f[i - 1] + 2.0f * f[i - 2];
        for (int j = i - 1; j > 1; --j)
            f[j] += b * f[j - 1] + f[j - 2];
        f[1] += b;
    }
}

} // namespace

void LspToLp(const float* lsp, float* a) {
    float f1[6];
    float f2[6];
    HalfPolynomial(lsp, f1);
    HalfPolynomial(lsp + 1, f2);
    a[0] = 1.0f;
    for (int i = 1; i <= 5; ++i) {
        const float p = f1[i] + f1[i - 1];
        const float q = f2[i] - f2[i - 1];
        a[i] = 0.5f * (p + q);
        a[kOrder + 1 - i] = 0.5f * (p - q);
    }
}

} // namespace orv::g729
