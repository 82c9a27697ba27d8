#include "client/audio/codecs/g729_postfilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "client/audio/codecs/g729_filters.h"
#include "client/audio/codecs/g729_tables.h"

namespace orv::g729 {

void Postfilter::Reset() {
    std::memset(residual_, 0, sizeof(residual_));
    std::memset(synthesisMemory_, 0, sizeof(synthesisMemory_));
    gain_ = 1.0f;
}

namespace {

// One fractional candidate of the long-term filter: correlation and energy.
struct Candidate {
    float corr;
    float energy;
};

// Products of three energies exceed the float range on extreme (hostile)
// streams, so the comparisons run in double.
bool Better(Candidate c, Candidate best) {
    return double(c.corr) * c.corr * best.energy > double(best.corr) * best.corr * c.energy;
}

// out(n) = sum_i h(i) x(n - i), summed tap by tap over all n at once.
void FilterTaps(const float* h, int taps, const float* x, float* out, int n) {
    for (int k = 0; k < n; ++k)
        out[k] = 0.0f;
    for (int i = 0; i < taps; ++i) {
        for (int k = 0; k < n; ++k)
            out[k] += h[i] * x[k - i];
    }
}

} // namespace

int Postfilter::LongTerm(const float* r, int t0, float* out) const {
    auto off = [&]() {
        std::memcpy(out, r, sizeof(float) * kSubframe);
        return 0;
    };
    const float energy = Dot(r, r, kSubframe);
    if (energy < 0.1f) return off();

    int lambda = t0 - 1;
    float bestCorr = -1e38f;
    for (int l = t0 - 1; l <= t0 + 1; ++l) {
        const float c = Dot(r, r - l, kSubframe);
        if (c > bestCorr) {
            bestCorr = c;
            lambda = l;
        }
    }
    if (bestCorr <= 0.0f) return off();
    const float delayedEnergy = Dot(r - lambda, r - lambda, kSubframe);
    if (delayedEnergy < 0.1f) return off();

    // Short-filter candidates at delays lambda + 1 - phase/8 (offset 0) and
    // lambda - phase/8 (offset 1).
    float shortSignals[kUpPst - 1][kSubframe + 1];
    Candidate best{bestCorr, delayedEnergy};
    int bestPhase = 0;
    int bestOffset = 1;
    for (int phase = 1; phase < kUpPst; ++phase) {
        const float* h = kG729TabHupS + (phase - 1) * kLh2S;
        float* w = shortSignals[phase - 1];
        FilterTaps(h, kLh2S, r + 1 - lambda, w, kSubframe + 1);
        for (int offset = 0; offset < 2; ++offset) {
            Candidate c{std::max(0.0f, Dot(r, w + offset, kSubframe)),
                        Dot(w + offset, w + offset, kSubframe)};
            if (Better(c, best)) {
                best = c;
                bestPhase = phase;
                bestOffset = offset;
            }
        }
    }
    if (best.corr == 0.0f || best.energy <= 0.1f) return off();
    if (double(best.corr) * best.corr < double(kThresCrit) * best.energy * energy) return off();
    const int delay = lambda + 1 - bestOffset;

    float delayed[kSubframe];
    if (bestPhase == 0) {
        std::memcpy(delayed, r - delay, sizeof(delayed));
    } else {
        const float* h = kG729TabHupL + (bestPhase - 1) * kLh2L;
        FilterTaps(h, kLh2L, r - delay + kLhUpL, delayed, kSubframe);
        const Candidate longer{std::max(0.0f, Dot(r, delayed, kSubframe)),
                               Dot(delayed, delayed, kSubframe)};
        if (longer.energy != 0.0f && Better(longer, best)) {
            best = longer;
        } else {
            std::memcpy(delayed, shortSignals[bestPhase - 1] + bestOffset, sizeof(delayed));
        }
    }
    const float g =
        best.corr > best.energy ? kMinGpLt : best.energy / (best.energy + kGammaG * best.corr);
    for (int n = 0; n < kSubframe; ++n)
        out[n] = g * r[n] + (1.0f - g) * delayed[n];
    return delay;
}

int Postfilter::Run(const float* synth, const float* a, int t0, float* out) {
    float numerator[kOrder + 1];
    float denominator[kOrder + 1];
    WeightCoefficients(a, kGamma2Pst, numerator);
    WeightCoefficients(a, kGamma1Pst, denominator);

    float* residual = residual_ + kMemRes2;
    Residual(numerator, synth, residual, kSubframe);

    // p(-1) holds the newest output of 1/A(z/gamma1) before this subframe, for the tilt filter.
    float harmonic[kSubframe + 1];
    harmonic[0] = synthesisMemory_[kOrder - 1];
    float* p = harmonic + 1;
    const int voicing = LongTerm(residual, t0, p);

    // Impulse response of A(z/gamma2)/A(z/gamma1): its first reflection
    // coefficient drives the tilt, its absolute sum normalises the gain.
    float h[kLongHSt] = {};
    std::memcpy(h, numerator, sizeof(numerator));
    float zero[kOrder] = {};
    Synthesis(denominator, h, h, kLongHSt, zero, false);
    const float rho0 = Dot(h, h, kLongHSt);
    const float rho1 = Dot(h, h + 1, kLongHSt - 1);
    const float k = (rho0 == 0.0f || rho0 < std::fabs(rho1)) ? 0.0f : -rho1 / rho0;
    float sum = 0.0f;
    for (float v : h)
        sum += std::fabs(v);
    if (sum > 1.0f) {
        const float inv = 1.0f / sum;
        for (int n = 0; n < kSubframe; ++n)
            p[n] *= inv;
    }
    Synthesis(denominator, p, p, kSubframe, synthesisMemory_, true);

    const float mu = k > 0.0f ? kGamma3Plus * k : kGamma3Minus * k;
    const float scale = 1.0f / (1.0f - std::fabs(mu));
    for (int n = 0; n < kSubframe; ++n)
        out[n] = scale * (harmonic[n + 1] + mu * harmonic[n]);

    float gainIn = 0.0f;
    float gainOut = 0.0f;
    for (int n = 0; n < kSubframe; ++n) {
        gainIn += std::fabs(synth[n]);
        gainOut += std::fabs(out[n]);
    }
    if (gainIn == 0.0f) {
        for (int n = 0; n < kSubframe; ++n) {
            gain_ = kAgcFac * gain_;
            out[n] *= gain_;
        }
    } else if (gainOut == 0.0f) {
        gain_ = 0.0f;
    } else {
        const float increment = kAgcFac1 * gainIn / gainOut;
        for (int n = 0; n < kSubframe; ++n) {
            gain_ = kAgcFac * gain_ + increment;
            out[n] *= gain_;
        }
    }

    std::memmove(residual_, residual_ + kSubframe, sizeof(float) * kMemRes2);
    return voicing;
}

} // namespace orv::g729
