#include "client/audio/codecs/g729_gain.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "client/audio/codecs/g729_constants.h"
#include "client/audio/codecs/g729_filters.h"
#include "client/audio/codecs/g729_tables.h"

namespace orv::g729 {

void GainPredictor::Reset() {
    std::copy(std::begin(kG729PastQuaEnInit), std::end(kG729PastQuaEnInit), past);
}

float GainPredictor::Predict(const float* code) const {
    const float energy = 10.0f * std::log10((0.01f + Dot(code, code, kSubframe)) / kSubframe);
    float predicted = kMeanEner - energy;
    for (int i = 0; i < 4; ++i)
        predicted += kG729Pred[i] * past[i];
    return std::pow(10.0f, predicted / 20.0f);
}

void GainPredictor::Push(float errorDb) {
    for (int i = 3; i > 0; --i)
        past[i] = past[i - 1];
    past[0] = errorDb;
}

namespace {

// How many leading thresholds the value exceeds (at most limit).
int Preselect(float value, const float* thresholds, int limit, float predicted) {
    int count = 0;
    while (count < limit && value > thresholds[count] * predicted)
        ++count;
    return count;
}

} // namespace

int QuantizeGains(GainPredictor& predictor, const float* code, const GainCorrelations& c,
                  bool taming, Gains& out) {
    const float* xi = c.xi;
    const float predicted = predictor.Predict(code);

    const float det = 4.0f * xi[0] * xi[2] - xi[4] * xi[4];
    float bestPitch = (xi[3] * xi[4] - 2.0f * xi[2] * xi[1]) / det;
    const float bestCode = (xi[1] * xi[4] - 2.0f * xi[0] * xi[3]) / det;
    if (taming && bestPitch > kGpClip2) bestPitch = kGpClip2;

    const float x =
        (bestCode - (kG729Coef[0][0] * bestPitch + kG729Coef[1][1]) * predicted) * kInvCoef;
    const float y = (kG729Coef[1][0] * (kG729Coef[0][0] * bestPitch - kG729Coef[0][1]) * predicted -
                     kG729Coef[0][0] * bestCode) *
                    kInvCoef;
    const int cand1 = Preselect(y, kG729Thr1, kNCode1 - kNCan1, predicted);
    const int cand2 = Preselect(x, kG729Thr2, kNCode2 - kNCan2, predicted);

    float bestError = 1e38f;
    int bestI = cand1;
    int bestJ = cand2;
    for (int i = cand1; i < cand1 + kNCan1; ++i) {
        for (int j = cand2; j < cand2 + kNCan2; ++j) {
            const float gp = kG729Gbk1[i][0] + kG729Gbk2[j][0];
            if (taming && gp >= kGp0999) continue;
            const float gc = (kG729Gbk1[i][1] + kG729Gbk2[j][1]) * predicted;
            const float error =
                xi[0] * gp * gp + xi[1] * gp + xi[2] * gc * gc + xi[3] * gc + xi[4] * gp * gc;
            if (error < bestError) {
                bestError = error;
                bestI = i;
                bestJ = j;
            }
        }
    }
    const float correction = kG729Gbk1[bestI][1] + kG729Gbk2[bestJ][1];
    out.pitch = kG729Gbk1[bestI][0] + kG729Gbk2[bestJ][0];
    out.code = correction * predicted;
    predictor.Push(20.0f * std::log10(correction));
    return kG729Map1[bestI] * kNCode2 + kG729Map2[bestJ];
}

Gains DecodeGains(GainPredictor& predictor, int index, const float* code) {
    const int i = kG729Imap1[(index / kNCode2) & 7];
    const int j = kG729Imap2[index % kNCode2];
    const float correction = kG729Gbk1[i][1] + kG729Gbk2[j][1];
    Gains g;
    g.pitch = kG729Gbk1[i][0] + kG729Gbk2[j][0];
    g.code = correction * predictor.Predict(code);
    predictor.Push(20.0f * std::log10(correction));
    return g;
}

Gains ConcealGains(GainPredictor& predictor, Gains previous) {
    Gains g;
    g.pitch = std::min(previous.pitch * kErasePitFactor, kErasePitMax);
    g.code = previous.code * kEraseCodeFactor;
    float mean =
        0.25f * (predictor.past[0] + predictor.past[1] + predictor.past[2] + predictor.past[3]) -
        4.0f;
    if (mean < kPastQuaEnInit) mean = kPastQuaEnInit;
    predictor.Push(mean);
    return g;
}

} // namespace orv::g729
