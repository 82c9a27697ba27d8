#include "client/audio/codecs/g729_pitch.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "client/audio/codecs/g729_constants.h"
#include "client/audio/codecs/g729_filters.h"
#include "client/audio/codecs/g729_tables.h"

namespace orv::g729 {

namespace {

// Best delay in [low, high] scanned downward (ties go to the smaller delay),
// returned with its normalised correlation.
int BestOpenLoop(const float* sw, int low, int high, float& normalised) {
    float best = -1e38f;
    int delay = high;
    for (int k = high; k >= low; --k) {
        const float r = Dot(sw, sw - k, kFrame);
        if (r >= best) {
            best = r;
            delay = k;
        }
    }
    const float energy = 0.01f + Dot(sw - delay, sw - delay, kFrame);
    normalised = best / std::sqrt(energy);
    return delay;
}

// Interpolates the correlation at t0 + frac/3 (frac in -2..2).
float InterpolateCorrelation(const float* corr, int frac) {
    if (frac < 0) {
        frac += kUpSamp;
        --corr;
    }
    float s = 0.0f;
    for (int i = 0, k = 0; i < kInter4; ++i, k += kUpSamp) {
        s += corr[-i] * kG729Inter3[frac + k] + corr[1 + i] * kG729Inter3[kUpSamp - frac + k];
    }
    return s;
}

// A window of `width` + 1 delays starting `below` under the centre, kept inside the pitch range.
DelayRange RangeAround(int centre, int below, int width) {
    DelayRange r;
    r.min = std::max(centre - below, kPitMin);
    r.max = r.min + width;
    if (r.max > kPitMax) {
        r.max = kPitMax;
        r.min = kPitMax - width;
    }
    return r;
}

} // namespace

int OpenLoopPitch(const float* weighted) {
    float r1 = 0.0f;
    float r2 = 0.0f;
    float r3 = 0.0f;
    const int t1 = BestOpenLoop(weighted, 80, kPitMax, r1);
    const int t2 = BestOpenLoop(weighted, 40, 79, r2);
    const int t3 = BestOpenLoop(weighted, kPitMin, 39, r3);
    int delay = t1;
    float best = r1;
    if (kThreshPit * best < r2) {
        delay = t2;
        best = r2;
    }
    if (kThreshPit * best < r3) delay = t3;
    return delay;
}

DelayRange FirstSubframeRange(int openLoop) { return RangeAround(openLoop, 3, 6); }

DelayRange SecondSubframeRange(int firstT0) { return RangeAround(firstT0, 5, 9); }

PitchDelay ClosedLoopPitch(const float* exc, const float* target, const float* h, DelayRange range,
                           bool firstSubframe) {
    // Normalised correlations for every delay the interpolation may touch.
    float storage[10 + 2 * kInter4 + 1];
    const int low = range.min - kInter4;
    const int high = range.max + kInter4;
    // corr[k - low] holds the correlation at delay k.
    float* corr = storage;
    float filtered[kSubframe];
    Convolve(exc - low, h, filtered);
    for (int k = low; k <= high; ++k) {
        const float energy = 0.01f + Dot(filtered, filtered, kSubframe);
        corr[k - low] = Dot(target, filtered, kSubframe) / std::sqrt(energy);
        if (k == high) break;
        const float u = exc[-(k + 1)];
        for (int n = kSubframe - 1; n > 0; --n)
            filtered[n] = filtered[n - 1] + u * h[n];
        filtered[0] = u;
    }

    PitchDelay d;
    d.t0 = range.min;
    float best = corr[range.min - low];
    for (int k = range.min + 1; k <= range.max; ++k) {
        if (corr[k - low] >= best) {
            best = corr[k - low];
            d.t0 = k;
        }
    }
    if (firstSubframe && d.t0 > 84) return d;

    int frac = -2;
    best = InterpolateCorrelation(&corr[d.t0 - low], -2);
    for (int t = -1; t <= 2; ++t) {
        const float v = InterpolateCorrelation(&corr[d.t0 - low], t);
        if (v > best) {
            best = v;
            frac = t;
        }
    }
    if (frac == -2) {
        d.t0 -= 1;
        frac = 1;
    } else if (frac == 2) {
        d.t0 += 1;
        frac = -1;
    }
    d.frac = frac;
    return d;
}

int EncodeDelay1(PitchDelay delay) {
    return delay.t0 <= 85 ? 3 * delay.t0 + delay.frac - 58 : delay.t0 + 112;
}

int EncodeDelay2(PitchDelay delay, DelayRange range) {
    return 3 * (delay.t0 - range.min) + delay.frac + 2;
}

PitchDelay DecodeDelay1(int index) {
    PitchDelay d;
    if (index < 197) {
        d.t0 = (index + 2) / 3 + 19;
        d.frac = index - 3 * d.t0 + 58;
    } else {
        d.t0 = index - 112;
    }
    return d;
}

PitchDelay DecodeDelay2(int index, DelayRange range) {
    const int i = (index + 2) / 3 - 1;
    PitchDelay d;
    d.t0 = range.min + i;
    d.frac = index - 2 - 3 * i;
    return d;
}

int DelayParity(int index) {
    int ones = 1;
    for (int bit = 2; bit < 8; ++bit)
        ones += (index >> bit) & 1;
    return ones & 1;
}

void AdaptiveVector(float* exc, PitchDelay delay) {
    int phase = -delay.frac;
    const float* x0 = exc - delay.t0;
    if (phase < 0) {
        phase += kUpSamp;
        --x0;
    }
    const float* c1 = kG729Inter3l + phase;
    const float* c2 = kG729Inter3l + kUpSamp - phase;
    // x0[n - i] and x0[n + 1 + i] for n < 40, i < 10 all lie in the past when
    // the delay reaches 50: then every sample is computed at once, tap by tap
    // (the same sums in the same order as the sample-by-sample path).
    if (x0 + kSubframe + kInter10 <= exc) {
        float past[kSubframe] = {};
        float ahead[kSubframe] = {};
        for (int i = 0, k = 0; i < kInter10; ++i, k += kUpSamp) {
            for (int n = 0; n < kSubframe; ++n) {
                past[n] += x0[n - i] * c1[k];
                ahead[n] += x0[n + 1 + i] * c2[k];
            }
        }
        for (int n = 0; n < kSubframe; ++n)
            exc[n] = past[n] + ahead[n];
        return;
    }
    // Shorter delays read samples of this subframe written just before.
    for (int n = 0; n < kSubframe; ++n, ++x0) {
        float past = 0.0f;
        float ahead = 0.0f;
        for (int i = 0, k = 0; i < kInter10; ++i, k += kUpSamp) {
            past += x0[-i] * c1[k];
            ahead += x0[1 + i] * c2[k];
        }
        exc[n] = past + ahead;
    }
}

float PitchGain(const float* target, const float* y1, float& yy, float& xy) {
    yy = 0.01f + Dot(y1, y1, kSubframe);
    xy = Dot(target, y1, kSubframe);
    return std::clamp(xy / yy, 0.0f, kGainPitMax);
}

void Taming::Reset() {
    std::fill(std::begin(error), std::end(error), 1.0f);
}

bool Taming::NeedsTaming(PitchDelay delay) const {
    const int t1 = delay.frac > 0 ? delay.t0 + 1 : delay.t0;
    const int zone1 = std::max(0, t1 - kSubframe - kInter10) / kSubframe;
    const int zone2 = (t1 + kInter10 - 2) / kSubframe;
    float worst = -1.0f;
    for (int z = zone2; z >= zone1; --z)
        worst = std::max(worst, error[z]);
    return worst > kThreshErr;
}

void Taming::Update(float gainPitch, int t0) {
    float worst = -1.0f;
    if (t0 < kSubframe) {
        const float once = 1.0f + gainPitch * error[0];
        worst = std::max(once, 1.0f + gainPitch * once);
    } else {
        const int zone1 = (t0 - kSubframe) / kSubframe;
        const int zone2 = (t0 - 1) / kSubframe;
        for (int z = zone1; z <= zone2; ++z)
            worst = std::max(worst, 1.0f + gainPitch * error[z]);
    }
    for (int z = 3; z > 0; --z)
        error[z] = error[z - 1];
    error[0] = worst;
}

} // namespace orv::g729
