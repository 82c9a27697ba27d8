#include "client/audio/codecs/g729_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "client/audio/codecs/g729_acelp.h"
#include "client/audio/codecs/g729_filters.h"
#include "client/audio/codecs/g729_lpc.h"
#include "client/audio/codecs/g729_tables.h"

namespace orv::g729 {

namespace {

constexpr int kCurrent = kWindow - kFrame - kLookAhead; // 120: start of the coded frame
constexpr int kExcHistory = kPitMax + kInterpolLen;

} // namespace

void Encoder::Reset() {
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    std::memcpy(lspOld_, kG729LspOldInit, sizeof(lspOld_));
    std::memcpy(lspQuantizedOld_, kG729LspOldInit, sizeof(lspQuantizedOld_));
    smooth_ = 1;
    sharpening_ = kSharpMin;
    lspPredictor_.Reset();
    gainPredictor_.Reset();
    taming_.Reset();
}

void Encoder::PreProcess(const int16_t* pcm) {
    float input[kFrame];
    for (int n = 0; n < kFrame; ++n)
        input[n] = pcm[n];
    highPass_.Run(kG729B140, kG729A140, input, speech_ + kWindow - kFrame, kFrame);
}

void Encoder::WeightingFactors(const float* lsp1, const float* lsp2, const float* k, float* gamma1,
                               float* gamma2) {
    float lar[2][2];
    for (int j = 0; j < 2; ++j) {
        lar[1][j] = std::log10((1.0f + k[j]) / (1.0f - k[j]));
        lar[0][j] = 0.5f * (lar[1][j] + larOld_[j]);
        larOld_[j] = lar[1][j];
    }
    const float* lsps[2] = {lsp1, lsp2};
    for (int s = 0; s < 2; ++s) {
        if (smooth_ != 0) {
            if (lar[s][0] < kThreshL1 && lar[s][1] > kThreshH1) smooth_ = 0;
        } else if (lar[s][0] > kThreshL2 || lar[s][1] < kThreshH2) {
            smooth_ = 1;
        }
        if (smooth_ == 0) {
            float minDistance = 1e38f;
            float previous = std::acos(lsps[s][0]);
            for (int i = 1; i < kOrder; ++i) {
                const float lsf = std::acos(lsps[s][i]);
                minDistance = std::min(minDistance, lsf - previous);
                previous = lsf;
            }
            gamma1[s] = kGamma1Sharp;
            gamma2[s] = std::clamp(kAlpha * minDistance + kBeta, kGamma2SharpLow, kGamma2SharpHigh);
        } else {
            gamma1[s] = kGamma1Smooth;
            gamma2[s] = kGamma2Smooth;
        }
    }
}

void Encoder::LinearPrediction(SubframeFilters* filters, FrameFields& fields) {
    float r[kOrder + 1];
    float a2[kOrder + 1];
    float k[2];
    Autocorrelation(speech_, r);
    Levinson(r, a2, k);
    float lsp[kOrder];
    if (!LpToLsp(a2, lsp)) std::memcpy(lsp, lspOld_, sizeof(lsp));

    float lspQ[kOrder];
    const LspIndices indices = QuantizeLsp(lspPredictor_, lsp, lspQ);
    fields.l0 = indices.mode;
    fields.l1 = indices.first;
    fields.l2 = indices.lower;
    fields.l3 = indices.upper;

    float lsp1[kOrder];
    float lspQ1[kOrder];
    for (int i = 0; i < kOrder; ++i) {
        lsp1[i] = 0.5f * (lspOld_[i] + lsp[i]);
        lspQ1[i] = 0.5f * (lspQuantizedOld_[i] + lspQ[i]);
    }
    float a1[kOrder + 1];
    LspToLp(lsp1, a1);
    LspToLp(lspQ1, filters[0].quantized);
    LspToLp(lspQ, filters[1].quantized);

    float gamma1[2];
    float gamma2[2];
    WeightingFactors(lsp1, lsp, k, gamma1, gamma2);
    const float* unquantized[2] = {a1, a2};
    for (int s = 0; s < 2; ++s) {
        WeightCoefficients(unquantized[s], gamma1[s], filters[s].weightNum);
        WeightCoefficients(unquantized[s], gamma2[s], filters[s].weightDen);
    }
    std::memcpy(lspOld_, lsp, sizeof(lsp));
    std::memcpy(lspQuantizedOld_, lspQ, sizeof(lspQ));
}

void Encoder::CodeSubframe(int index, const SubframeFilters& f, DelayRange& range,
                           FrameFields& fields) {
    const float* speech = speech_ + kCurrent + index * kSubframe;
    float* exc = excitation_ + kExcHistory + index * kSubframe;
    const float zero[kOrder] = {};
    float scratch[kOrder];

    // Impulse response of the weighted synthesis filter.
    float h[kSubframe] = {};
    std::memcpy(h, f.weightNum, sizeof(f.weightNum));
    std::memcpy(scratch, zero, sizeof(scratch));
    Synthesis(f.quantized, h, h, kSubframe, scratch, false);
    Synthesis(f.weightDen, h, h, kSubframe, scratch, false);

    // Target: the weighted error of the coded signal's filter states.
    Residual(f.quantized, speech, exc, kSubframe);
    float error[kOrder + kSubframe];
    std::memcpy(error, errorMemory_, sizeof(errorMemory_));
    Synthesis(f.quantized, exc, error + kOrder, kSubframe, errorMemory_, false);
    float target[kSubframe];
    Residual(f.weightNum, error + kOrder, target, kSubframe);
    Synthesis(f.weightDen, target, target, kSubframe, weightedErrorMemory_, false);

    // Adaptive codebook.
    const PitchDelay delay = ClosedLoopPitch(exc, target, h, range, index == 0);
    if (index == 0) {
        fields.p1 = EncodeDelay1(delay);
        fields.p0 = DelayParity(fields.p1);
        range = SecondSubframeRange(delay.t0);
    } else {
        fields.p2 = EncodeDelay2(delay, range);
    }
    AdaptiveVector(exc, delay);
    float y1[kSubframe];
    Convolve(exc, h, y1);
    GainCorrelations c;
    float xy = 0.0f;
    float gainPitch = PitchGain(target, y1, c.xi[0], xy);
    c.xi[1] = 0.01f - 2.0f * xy;
    const bool tame = taming_.NeedsTaming(delay);
    if (tame && gainPitch > kGpClip) gainPitch = kGpClip;

    // Fixed codebook.
    float target2[kSubframe];
    for (int n = 0; n < kSubframe; ++n)
        target2[n] = target[n] - gainPitch * y1[n];
    float code[kSubframe];
    float y2[kSubframe];
    if (index == 0) budget_ = 30;
    const AcelpIndices acelp = SearchAcelp(target2, h, delay.t0, sharpening_, budget_, code, y2);
    if (delay.t0 < kSubframe) Sharpen(code, delay.t0, sharpening_);

    // Gains.
    c.xi[2] = 0.01f + Dot(y2, y2, kSubframe);
    c.xi[3] = -2.0f * (0.01f + Dot(target, y2, kSubframe));
    c.xi[4] = 2.0f * (0.01f + Dot(y1, y2, kSubframe));
    Gains g;
    const int gainIndex = QuantizeGains(gainPredictor_, code, c, tame, g);
    (index == 0 ? fields.c1 : fields.c2) = acelp.positions;
    (index == 0 ? fields.s1 : fields.s2) = acelp.signs;
    (index == 0 ? fields.ga1 : fields.ga2) = gainIndex / kNCode2;
    (index == 0 ? fields.gb1 : fields.gb2) = gainIndex % kNCode2;

    // Memories for the next subframe.
    sharpening_ = std::clamp(g.pitch, kSharpMin, kSharpMax);
    for (int n = 0; n < kSubframe; ++n)
        exc[n] = g.pitch * exc[n] + g.code * code[n];
    taming_.Update(g.pitch, delay.t0);
    float* synth = synthesis_ + index * kSubframe;
    Synthesis(f.quantized, exc, synth, kSubframe, synthesisMemory_, true);
    for (int j = kSubframe - kOrder, k = 0; j < kSubframe; ++j, ++k) {
        errorMemory_[k] = speech[j] - synth[j];
        weightedErrorMemory_[k] = target[j] - g.pitch * y1[j] - g.code * y2[j];
    }
}

void Encoder::EncodeFrame(const int16_t* pcm, uint8_t* frame) {
    PreProcess(pcm);
    SubframeFilters filters[2];
    FrameFields fields{};
    LinearPrediction(filters, fields);

    float residual[kSubframe];
    for (int s = 0; s < 2; ++s) {
        Residual(filters[s].weightNum, speech_ + kCurrent + s * kSubframe, residual, kSubframe);
        Synthesis(filters[s].weightDen, residual, weighted_ + kPitMax + s * kSubframe, kSubframe,
                  weightedMemory_, true);
    }
    DelayRange range = FirstSubframeRange(OpenLoopPitch(weighted_ + kPitMax));
    CodeSubframe(0, filters[0], range, fields);
    CodeSubframe(1, filters[1], range, fields);

    std::memmove(speech_, speech_ + kFrame, sizeof(float) * (kWindow - kFrame));
    std::memmove(weighted_, weighted_ + kFrame, sizeof(float) * kPitMax);
    std::memmove(excitation_, excitation_ + kFrame, sizeof(float) * kExcHistory);
    PackFrame(fields, frame);
}

} // namespace orv::g729
