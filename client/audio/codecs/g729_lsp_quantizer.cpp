#include "client/audio/codecs/g729_lsp_quantizer.h"

#include <cmath>
#include <cstring>

#include "client/audio/codecs/g729_constants.h"
#include "client/audio/codecs/g729_tables.h"

namespace orv::g729 {

void LspPredictor::Reset() {
    for (auto& row : past)
        std::memcpy(row, kG729FreqPrevReset, sizeof(row));
}

namespace {

// Pushes apart neighbours closer than gap, one pass in increasing order.
void Rearrange(float* c, float gap) {
    for (int j = 1; j < kOrder; ++j) {
        const float delta = 0.5f * (c[j - 1] - c[j] + gap);
        if (delta > 0.0f) {
            c[j - 1] -= delta;
            c[j] += delta;
        }
    }
}

void Candidate(const LspIndices& indices, float* c) {
    for (int i = 0; i < kOrder / 2; ++i)
        c[i] = kG729Lspcb1[indices.first][i] + kG729Lspcb2[indices.lower][i];
    for (int i = kOrder / 2; i < kOrder; ++i)
        c[i] = kG729Lspcb1[indices.first][i] + kG729Lspcb2[indices.upper][i];
    Rearrange(c, kGap1);
    Rearrange(c, kGap2);
}

float PredictionOf(const LspPredictor& predictor, int mode, int i) {
    float s = 0.0f;
    for (int k = 0; k < 4; ++k)
        s += kG729Fg[mode][k][i] * predictor.past[k][i];
    return s;
}

void Push(LspPredictor& predictor, const float* c) {
    for (int k = 3; k > 0; --k)
        std::memcpy(predictor.past[k], predictor.past[k - 1], sizeof(predictor.past[k]));
    std::memcpy(predictor.past[0], c, sizeof(predictor.past[0]));
}

void Stabilize(float* lsf) {
    for (int j = 0; j < kOrder - 1; ++j) {
        if (lsf[j + 1] < lsf[j]) {
            const float t = lsf[j + 1];
            lsf[j + 1] = lsf[j];
            lsf[j] = t;
        }
    }
    if (lsf[0] < kLLimit) lsf[0] = kLLimit;
    for (int j = 0; j < kOrder - 1; ++j) {
        if (lsf[j + 1] - lsf[j] < kGap3) lsf[j + 1] = lsf[j] + kGap3;
    }
    if (lsf[kOrder - 1] > kMLimit) lsf[kOrder - 1] = kMLimit;
}

void Weights(const float* lsf, float* w) {
    auto nu = [](float t) { return t > 0.0f ? 1.0f : 10.0f * t * t + 1.0f; };
    w[0] = nu(lsf[1] - kPi04 - 1.0f);
    for (int i = 1; i < kOrder - 1; ++i)
        w[i] = nu(lsf[i + 1] - lsf[i - 1] - 1.0f);
    w[kOrder - 1] = nu(kPi92 - lsf[kOrder - 2] - 1.0f);
    w[4] *= kConst12;
    w[5] *= kConst12;
}

// Index of the second-stage row that best fits the target over columns [from, to).
int SearchSecondStage(const float* target, const float* first, const float* w, int from, int to) {
    int best = 0;
    float bestDistance = 1e38f;
    for (int k = 0; k < 32; ++k) {
        float d = 0.0f;
        for (int i = from; i < to; ++i) {
            const float e = target[i] - first[i] - kG729Lspcb2[k][i];
            d += w[i] * e * e;
        }
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    return best;
}

// Best indices for one predictor mode, and their weighted distortion.
float SearchMode(const LspPredictor& predictor, int mode, const float* lsf, const float* w,
                 LspIndices& out) {
    float target[kOrder];
    for (int i = 0; i < kOrder; ++i) {
        target[i] = (lsf[i] - PredictionOf(predictor, mode, i)) * kG729FgSumInv[mode][i];
    }
    out.mode = mode;
    out.first = 0;
    float bestDistance = 1e38f;
    for (int j = 0; j < 128; ++j) {
        float d = 0.0f;
        for (int i = 0; i < kOrder; ++i) {
            const float e = target[i] - kG729Lspcb1[j][i];
            d += e * e;
        }
        if (d < bestDistance) {
            bestDistance = d;
            out.first = j;
        }
    }
    const float* first = kG729Lspcb1[out.first];
    out.lower = SearchSecondStage(target, first, w, 0, kOrder / 2);
    out.upper = SearchSecondStage(target, first, w, kOrder / 2, kOrder);
    float c[kOrder];
    Candidate(out, c);
    float distortion = 0.0f;
    for (int i = 0; i < kOrder; ++i) {
        const float e = (c[i] - target[i]) * kG729FgSum[mode][i];
        distortion += w[i] * e * e;
    }
    return distortion;
}

} // namespace

LspIndices QuantizeLsp(LspPredictor& predictor, const float* lsp, float* quantizedLsp) {
    float lsf[kOrder];
    for (int i = 0; i < kOrder; ++i)
        lsf[i] = std::acos(lsp[i]);
    float w[kOrder];
    Weights(lsf, w);
    LspIndices mode0{};
    LspIndices mode1{};
    const float d0 = SearchMode(predictor, 0, lsf, w, mode0);
    const float d1 = SearchMode(predictor, 1, lsf, w, mode1);
    const LspIndices chosen = d1 < d0 ? mode1 : mode0;
    float quantizedLsf[kOrder];
    ReconstructLsf(predictor, chosen, quantizedLsf);
    for (int i = 0; i < kOrder; ++i)
        quantizedLsp[i] = std::cos(quantizedLsf[i]);
    return chosen;
}

void ReconstructLsf(LspPredictor& predictor, const LspIndices& indices, float* lsf) {
    float c[kOrder];
    Candidate(indices, c);
    for (int i = 0; i < kOrder; ++i) {
        lsf[i] = kG729FgSum[indices.mode][i] * c[i] + PredictionOf(predictor, indices.mode, i);
    }
    Push(predictor, c);
    Stabilize(lsf);
}

void ConcealLsf(LspPredictor& predictor, const float* lastLsf, int lastMode) {
    float c[kOrder];
    for (int i = 0; i < kOrder; ++i) {
        c[i] = (lastLsf[i] - PredictionOf(predictor, lastMode, i)) * kG729FgSumInv[lastMode][i];
    }
    Push(predictor, c);
}

} // namespace orv::g729
