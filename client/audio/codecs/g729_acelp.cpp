#include "client/audio/codecs/g729_acelp.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "client/audio/codecs/g729_constants.h"

namespace orv::g729 {

namespace {

constexpr int kTracks = 5; // tracks 3 and 4 are the two halves of pulse 3
constexpr int kPositions = 8;
static_assert(kTracks * kPositions == kSubframe);
constexpr int kStep = 5;
// Pulse 3 tries the track starting at 3 first, then the one starting at 4.
constexpr int kPulse3Positions[2 * kPositions] = {3, 8, 13, 18, 23, 28, 33, 38,
                                                  4, 9, 14, 19, 24, 29, 34, 39};

// phi[i][j] = sum_n h(n - i) h(n - j), with off-track signs folded in.
struct Correlations {
    float phi[kSubframe][kSubframe];
};

void BuildMatrix(const float* h, const float* sign, Correlations& c) {
    for (int d = 0; d < kSubframe; ++d) {
        // phi(j - d, j) = sum_{m=0}^{39-j} h(m) h(m + d): a running sum as j falls.
        float sum = 0.0f;
        for (int m = 0, j = kSubframe - 1; j >= d; ++m, --j) {
            sum += h[m] * h[m + d];
            const float v = d == 0 ? sum : sum * sign[j - d] * sign[j];
            c.phi[j - d][j] = v;
            c.phi[j][j - d] = v;
        }
    }
}

} // namespace

void Sharpen(float* v, int t0, float beta) {
    for (int n = t0; n < kSubframe; ++n)
        v[n] += beta * v[n - t0];
}

AcelpIndices SearchAcelp(const float* target, float* h, int t0, float sharpening, int& budget,
                         float* code, float* filteredCode) {
    if (t0 < kSubframe) Sharpen(h, t0, sharpening);

    float d[kSubframe];
    float sign[kSubframe];
    for (int n = 0; n < kSubframe; ++n) {
        float s = 0.0f;
        for (int j = n; j < kSubframe; ++j)
            s += target[j] * h[j - n];
        sign[n] = s >= 0.0f ? 1.0f : -1.0f;
        d[n] = std::fabs(s);
    }
    Correlations corr;
    BuildMatrix(h, sign, corr);
    const auto& phi = corr.phi;

    float mean = 0.0f;
    float peak = 0.0f;
    for (int track = 0; track < 3; ++track) {
        float trackMax = 0.0f;
        for (int p = track; p < kSubframe; p += kStep) {
            mean += d[p];
            trackMax = std::max(trackMax, d[p]);
        }
        peak += trackMax;
    }
    mean *= 1.0f / 8.0f;
    const float threshold = mean + kThreshFcb * (peak - mean);

    // The fourth pulse's terms as contiguous rows, so its 16 candidates are
    // scored in one pass: cross3[m][k] = 2 phi'(m, position k of pulse 3).
    constexpr int kCandidates = 2 * kPositions;
    float d3[kCandidates];
    float self3[kCandidates];
    float cross3[kSubframe][kCandidates];
    for (int k = 0; k < kCandidates; ++k) {
        const int p = kPulse3Positions[k];
        d3[k] = d[p];
        self3[k] = phi[p][p];
        for (int m = 0; m < kSubframe; ++m)
            cross3[m][k] = 2.0f * phi[m][p];
    }

    int best[4] = {0, 1, 2, 3};
    float psiBest = 0.0f;
    float alphaBest = 1e6f;
    int time = kMaxTime + budget;
    for (int m0 = 0; m0 < kSubframe && time > 0; m0 += kStep) {
        for (int m1 = 1; m1 < kSubframe && time > 0; m1 += kStep) {
            const float ps1 = d[m0] + d[m1];
            const float alp1 = phi[m0][m0] + phi[m1][m1] + 2.0f * phi[m0][m1];
            float base[kCandidates];
            for (int k = 0; k < kCandidates; ++k)
                base[k] = self3[k] + cross3[m0][k] + cross3[m1][k];
            for (int m2 = 2; m2 < kSubframe; m2 += kStep) {
                const float ps2 = ps1 + d[m2];
                if (ps2 <= threshold) continue;
                const float alp2 = alp1 + phi[m2][m2] + 2.0f * (phi[m0][m2] + phi[m1][m2]);
                float psi[kCandidates];
                float alp[kCandidates];
                for (int k = 0; k < kCandidates; ++k) {
                    const float ps = ps2 + d3[k];
                    psi[k] = ps * ps;
                    alp[k] = alp2 + (base[k] + cross3[m2][k]);
                }
                for (int k = 0; k < kCandidates; ++k) {
                    if (psi[k] * alphaBest > psiBest * alp[k]) {
                        psiBest = psi[k];
                        alphaBest = alp[k];
                        best[0] = m0;
                        best[1] = m1;
                        best[2] = m2;
                        best[3] = kPulse3Positions[k];
                    }
                }
                if (--time <= 0) break;
            }
        }
    }
    budget = std::max(time, 0);

    AcelpIndices out;
    std::memset(code, 0, sizeof(float) * kSubframe);
    std::memset(filteredCode, 0, sizeof(float) * kSubframe);
    for (int k = 0; k < 4; ++k) {
        const int m = best[k];
        const float s = sign[m];
        code[m] = s;
        for (int n = m; n < kSubframe; ++n)
            filteredCode[n] += s * h[n - m];
        if (s > 0.0f) out.signs |= 1 << k;
    }
    const int jx = best[3] % kStep - 3;
    out.positions = best[0] / kStep + 8 * (best[1] / kStep) + 64 * (best[2] / kStep) +
                    512 * (2 * (best[3] / kStep) + jx);
    return out;
}

void DecodeAcelp(AcelpIndices indices, float* code) {
    const int c = indices.positions;
    int m[4];
    m[0] = kStep * (c & 7);
    m[1] = kStep * ((c >> 3) & 7) + 1;
    m[2] = kStep * ((c >> 6) & 7) + 2;
    m[3] = kStep * ((c >> 10) & 7) + 3 + ((c >> 9) & 1);
    std::memset(code, 0, sizeof(float) * kSubframe);
    for (int k = 0; k < 4; ++k)
        code[m[k]] = ((indices.signs >> k) & 1) ? 1.0f : -1.0f;
}

} // namespace orv::g729
