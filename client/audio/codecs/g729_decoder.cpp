#include "client/audio/codecs/g729_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "client/audio/codecs/g729_acelp.h"
#include "client/audio/codecs/g729_bitstream.h"
#include "client/audio/codecs/g729_filters.h"
#include "client/audio/codecs/g729_lpc.h"
#include "client/audio/codecs/g729_pitch.h"
#include "client/audio/codecs/g729_tables.h"

namespace orv::g729 {

namespace {

constexpr int kExcHistory = kPitMax + kInterpolLen;
// A run of hostile frames with pitch gains above 1 would grow the excitation
// without end; no real stream comes near this bound.
constexpr float kExcitationLimit = 1e6f;

} // namespace

void Decoder::Reset() {
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    std::memcpy(lspOld_, kG729LspOldInit, sizeof(lspOld_));
    std::memcpy(lastLsf_, kG729FreqPrevReset, sizeof(lastLsf_));
    sharpening_ = kSharpMin;
    lastT0_ = kDecOldT0Init;
    voicing_ = 60;
    seed_ = 21845;
    lspPredictor_.Reset();
    gainPredictor_.Reset();
    postfilter_.Reset();
}

int Decoder::NextRandom() {
    seed_ = (31821 * seed_ + 13849) & 0xFFFF;
    return seed_;
}

void Decoder::DecodeLsp(const FrameFields* fields, float* a1, float* a2) {
    float lsf[kOrder];
    if (fields != nullptr) {
        const LspIndices indices{fields->l0, fields->l1, fields->l2, fields->l3};
        ReconstructLsf(lspPredictor_, indices, lsf);
        std::memcpy(lastLsf_, lsf, sizeof(lsf));
        lastMode_ = fields->l0;
    } else {
        std::memcpy(lsf, lastLsf_, sizeof(lsf));
        ConcealLsf(lspPredictor_, lastLsf_, lastMode_);
    }
    float lsp[kOrder];
    float lsp1[kOrder];
    for (int i = 0; i < kOrder; ++i) {
        lsp[i] = std::cos(lsf[i]);
        lsp1[i] = 0.5f * (lspOld_[i] + lsp[i]);
    }
    LspToLp(lsp1, a1);
    LspToLp(lsp, a2);
    std::memcpy(lspOld_, lsp, sizeof(lsp));
}

void Decoder::PostProcess(const float* in, int16_t* pcm) {
    float filtered[kFrame];
    highPass_.Run(kG729B100, kG729A100, in, filtered, kFrame);
    for (int n = 0; n < kFrame; ++n) {
        const float y = filtered[n];
        float rounded = y >= 0.0f ? y + 0.5f : y - 0.5f;
        if (rounded != rounded) rounded = 0.0f; // never convert a NaN
        pcm[n] = static_cast<int16_t>(std::clamp(rounded, -32768.0f, 32767.0f));
    }
}

void Decoder::DecodeFrame(const uint8_t* frame, int16_t* pcm) {
    const bool erased = frame == nullptr;
    FrameFields fields{};
    if (!erased) fields = UnpackFrame(frame);
    const bool parityError = !erased && DelayParity(fields.p1) != fields.p0;

    float a[2][kOrder + 1];
    DecodeLsp(erased ? nullptr : &fields, a[0], a[1]);

    float postfiltered[kFrame];
    int firstT0 = lastT0_;
    int subframeVoicing[2] = {0, 0};
    for (int s = 0; s < 2; ++s) {
        float* exc = excitation_ + kExcHistory + s * kSubframe;
        PitchDelay delay;
        if (s == 0 && !erased && !parityError) {
            delay = DecodeDelay1(fields.p1);
            lastT0_ = delay.t0;
        } else if (s == 1 && !erased) {
            delay = DecodeDelay2(fields.p2, SecondSubframeRange(firstT0));
            lastT0_ = delay.t0;
        } else {
            delay.t0 = lastT0_;
            lastT0_ = std::min(lastT0_ + 1, kPitMax);
        }
        if (s == 0) firstT0 = delay.t0;
        AdaptiveVector(exc, delay);

        AcelpIndices acelp;
        if (erased) {
            acelp.positions = NextRandom() & 0x1FFF;
            acelp.signs = NextRandom() & 0xF;
        } else {
            acelp.positions = s == 0 ? fields.c1 : fields.c2;
            acelp.signs = s == 0 ? fields.s1 : fields.s2;
        }
        float code[kSubframe];
        DecodeAcelp(acelp, code);
        if (delay.t0 < kSubframe) Sharpen(code, delay.t0, sharpening_);

        if (erased) {
            gains_ = ConcealGains(gainPredictor_, gains_);
        } else {
            const int index =
                s == 0 ? fields.ga1 * kNCode2 + fields.gb1 : fields.ga2 * kNCode2 + fields.gb2;
            gains_ = DecodeGains(gainPredictor_, index, code);
        }
        sharpening_ = std::clamp(gains_.pitch, kSharpMin, kSharpMax);

        for (int n = 0; n < kSubframe; ++n) {
            float u = gains_.pitch * exc[n] + gains_.code * code[n];
            if (erased) u = voicing_ == 0 ? gains_.code * code[n] : gains_.pitch * exc[n];
            exc[n] = std::clamp(u, -kExcitationLimit, kExcitationLimit);
        }
        float* synth = synthesis_ + kOrder + s * kSubframe;
        Synthesis(a[s], exc, synth, kSubframe, synthesisMemory_, true);
        subframeVoicing[s] = postfilter_.Run(synth, a[s], firstT0, postfiltered + s * kSubframe);
    }
    voicing_ = subframeVoicing[1] != 0 ? subframeVoicing[1] : subframeVoicing[0];

    std::memmove(excitation_, excitation_ + kFrame, sizeof(float) * kExcHistory);
    std::memmove(synthesis_, synthesis_ + kFrame, sizeof(float) * kOrder);
    PostProcess(postfiltered, pcm);
}

} // namespace orv::g729
