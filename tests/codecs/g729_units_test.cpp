// Unit checks of the G.729 stages: index round trips, bit packing, the LP
// conversions and the decoder's behaviour on special streams.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "client/audio/codecs/g729.h"
#include "client/audio/codecs/g729_acelp.h"
#include "client/audio/codecs/g729_bitstream.h"
#include "client/audio/codecs/g729_constants.h"
#include "client/audio/codecs/g729_decoder.h"
#include "client/audio/codecs/g729_encoder.h"
#include "client/audio/codecs/g729_lpc.h"
#include "client/audio/codecs/g729_pitch.h"
#include "client/audio/codecs/g729_tables.h"

namespace orv {
namespace {

using namespace g729;

TEST(G729Instance, InvalidInstancesAreRefusedWithError4) {
    int16_t pcm[80] = {};
    uint8_t frame[10] = {};
    G729Instance* none = nullptr;
    EXPECT_EQ(G729Encode(none, pcm, frame), 4);
    EXPECT_EQ(G729Decode(none, frame, pcm), 4);
    EXPECT_EQ(G729Close(none), 4);

    G729Instance* instance = nullptr;
    ASSERT_EQ(G729Open(instance), 0);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(G729Encode(instance, pcm, frame), 0);
    EXPECT_EQ(G729Close(instance), 0);
    EXPECT_EQ(instance, nullptr);
    EXPECT_EQ(G729Decode(instance, frame, pcm), 4);
}

TEST(G729Instance, LostFramesGiveSamplesAndFromResetExactSilence) {
    G729Instance* instance = nullptr;
    ASSERT_EQ(G729Open(instance), 0);
    int16_t pcm[80];
    for (int f = 0; f < 20; ++f) {
        std::memset(pcm, 0x55, sizeof(pcm));
        ASSERT_EQ(G729Decode(instance, nullptr, pcm), 0);
        for (int16_t s : pcm)
            ASSERT_EQ(s, 0);
    }
    G729Close(instance);
}

TEST(G729Instance, ConcealmentAfterSpeechDecaysSmoothly) {
    G729Instance* instance = nullptr;
    ASSERT_EQ(G729Open(instance), 0);
    int16_t pcm[80];
    uint8_t frame[10];
    double phase = 0.0;
    for (int f = 0; f < 50; ++f) {
        for (auto& s : pcm) {
            s = static_cast<int16_t>(8000 * std::sin(phase) + 3000 * std::sin(2.7 * phase));
            phase += 2 * M_PI * 180 / 8000;
        }
        G729Encode(instance, pcm, frame);
        G729Decode(instance, frame, pcm);
    }
    auto energy = [&] {
        double e = 0;
        for (int16_t s : pcm)
            e += double(s) * s;
        return e;
    };
    const double speechEnergy = energy();
    ASSERT_GT(speechEnergy, 80.0 * 1000 * 1000);
    std::vector<double> lost;
    for (int f = 0; f < 40; ++f) {
        G729Decode(instance, nullptr, pcm);
        lost.push_back(energy());
    }
    EXPECT_GT(lost.front(), speechEnergy * 0.05); // the first lost frame continues the sound
    EXPECT_LT(lost.back(), lost.front() * 0.05);  // and it fades out
    G729Close(instance);
}

TEST(G729Instance, AllZeroFramesFailParityButDecodeToSteadySound) {
    G729Instance* a = nullptr;
    G729Instance* b = nullptr;
    ASSERT_EQ(G729Open(a), 0);
    ASSERT_EQ(G729Open(b), 0);
    const uint8_t zero[10] = {};
    int16_t pa[80];
    int16_t pb[80];
    double energy = 0;
    for (int f = 0; f < 30; ++f) {
        G729Decode(a, zero, pa);
        G729Decode(b, zero, pb);
        ASSERT_EQ(std::memcmp(pa, pb, sizeof(pa)), 0);
        if (f >= 10) {
            for (int16_t s : pa)
                energy += double(s) * s;
        }
    }
    EXPECT_GT(energy / (20 * 80), 100.0);
    EXPECT_EQ(DelayParity(0), 1);
    G729Close(a);
    G729Close(b);
}

TEST(G729Instance, HostileFramesNeverBreakTheDecoder) {
    G729Instance* instance = nullptr;
    ASSERT_EQ(G729Open(instance), 0);
    std::mt19937 random(7);
    uint8_t frame[10];
    int16_t pcm[80];
    for (int f = 0; f < 3000; ++f) {
        for (auto& byte : frame)
            byte = static_cast<uint8_t>(random());
        // Force the largest pitch gains on half of the frames.
        if (f % 2 == 0) {
            frame[7] |= 0x07;
            frame[9] |= 0xFF;
        }
        ASSERT_EQ(G729Decode(instance, (random() % 7 == 0) ? nullptr : frame, pcm), 0);
    }
    // Still decodes ordinary input afterwards: silence from the encoder fades out.
    G729Instance* encoder = nullptr;
    ASSERT_EQ(G729Open(encoder), 0);
    int16_t silence[80] = {};
    double lastEnergy = 0;
    for (int f = 0; f < 400; ++f) {
        G729Encode(encoder, silence, frame);
        G729Decode(instance, frame, pcm);
        lastEnergy = 0;
        for (int16_t s : pcm)
            lastEnergy += double(s) * s;
    }
    EXPECT_LT(lastEnergy / 80, 100.0);
    G729Close(encoder);
    G729Close(instance);
}

TEST(G729Codec, EncoderLocalSynthesisEqualsDecoderSynthesis) {
    // Covers the LSF reconstruction, interpolation, delay coding, adaptive
    // vector, pulse coding, sharpening, gain prediction and index mapping:
    // any disagreement between the two sides shows here.
    static Encoder encoder;
    static Decoder decoder;
    encoder.Reset();
    decoder.Reset();
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 300.0);
    double phase = 0;
    int16_t pcm[80];
    uint8_t frame[10];
    int16_t out[80];
    for (int f = 0; f < 300; ++f) {
        const double pitch = 100 + 60 * std::sin(f / 40.0);
        for (auto& s : pcm) {
            phase += 2 * M_PI * pitch / 8000;
            const double voiced = (f / 50) % 3 == 2 ? 0.0 : 1.0;
            s = static_cast<int16_t>(
                voiced * (7000 * std::sin(phase) + 2500 * std::sin(3 * phase + 0.5)) +
                noise(random));
        }
        encoder.EncodeFrame(pcm, frame);
        decoder.DecodeFrame(frame, out);
        for (int n = 0; n < 80; ++n) {
            const float a = encoder.LastSynthesis()[n];
            ASSERT_NEAR(decoder.LastSynthesis()[n], a, 1e-3f * (1.0f + std::fabs(a)))
                << "frame " << f << " sample " << n;
        }
    }
}

TEST(G729Codec, EncoderStaysFiniteOnExtremeInput) {
    static Encoder encoder;
    encoder.Reset();
    std::mt19937 random(5);
    int16_t pcm[80];
    uint8_t frame[10];
    for (int f = 0; f < 400; ++f) {
        for (int n = 0; n < 80; ++n) {
            switch ((f / 50) % 4) {
            case 0:
                pcm[n] = static_cast<int16_t>(random());
                break; // full-scale noise
            case 1:
                pcm[n] = (n / 20) % 2 ? 32767 : -32768;
                break; // clipped square
            case 2:
                pcm[n] = n == 0 ? 32767 : 0;
                break; // impulses
            default:
                pcm[n] = -32768;
                break; // DC
            }
        }
        encoder.EncodeFrame(pcm, frame);
        for (int n = 0; n < 80; ++n)
            ASSERT_TRUE(std::isfinite(encoder.LastSynthesis()[n])) << f;
    }
}

TEST(G729Indices, DelayCodesRoundTripAndParityCoversTheTopSixBits) {
    for (int p1 = 0; p1 < 256; ++p1) {
        const PitchDelay d = DecodeDelay1(p1);
        EXPECT_EQ(EncodeDelay1(d), p1);
        EXPECT_GE(d.t0, 19);
        EXPECT_LE(d.t0, kPitMax);
        int ones = DelayParity(p1);
        for (int bit = 2; bit < 8; ++bit)
            ones += (p1 >> bit) & 1;
        EXPECT_EQ(ones % 2, 1) << p1;
        EXPECT_EQ(DelayParity(p1), DelayParity(p1 ^ 3));
    }
    for (int t0 = kPitMin; t0 <= kPitMax; ++t0) {
        const DelayRange range = SecondSubframeRange(t0);
        EXPECT_EQ(range.max - range.min, 9);
        for (int p2 = 0; p2 < 32; ++p2)
            EXPECT_EQ(EncodeDelay2(DecodeDelay2(p2, range), range), p2);
    }
}

TEST(G729Indices, EveryPulseCodeRoundTripsThroughTheSearchOutput) {
    // A target that is the filtered codeword itself makes the search find it.
    float h[40] = {1.0f};
    for (int c = 0; c < 8192; c += 37) {
        for (int s = 0; s < 16; ++s) {
            float code[40];
            DecodeAcelp({c, s}, code);
            int pulses = 0;
            for (float v : code)
                pulses += v != 0.0f;
            ASSERT_EQ(pulses, 4);
            float found[40];
            float filtered[40];
            float impulse[40];
            std::memcpy(impulse, h, sizeof(h));
            int budget = 1000;
            const AcelpIndices indices =
                SearchAcelp(code, impulse, 60, 0.2f, budget, found, filtered);
            ASSERT_EQ(indices.positions, c);
            ASSERT_EQ(indices.signs, s);
        }
    }
}

TEST(G729Bitstream, FieldsPackMostSignificantBitFirst) {
    FrameFields f{};
    f.l0 = 1;
    f.gb2 = 0x1;
    uint8_t frame[10];
    PackFrame(f, frame);
    EXPECT_EQ(frame[0], 0x80);
    EXPECT_EQ(frame[9], 0x01);
    std::mt19937 random(3);
    for (int i = 0; i < 200; ++i) {
        uint8_t bytes[10];
        for (auto& b : bytes)
            b = static_cast<uint8_t>(random());
        uint8_t again[10];
        PackFrame(UnpackFrame(bytes), again);
        ASSERT_EQ(std::memcmp(bytes, again, 10), 0);
    }
    int total = 0;
    for (int w : kG729BitsnoFields)
        total += w;
    EXPECT_EQ(total, 80);
}

TEST(G729Lpc, SilenceGivesTheResetLspsAndStableFiltersRoundTrip) {
    float speech[240] = {};
    float r[11];
    float a[11];
    float k[2];
    Autocorrelation(speech, r);
    Levinson(r, a, k);
    float lsp[10];
    ASSERT_TRUE(LpToLsp(a, lsp));
    for (int i = 0; i < 10; ++i)
        EXPECT_NEAR(lsp[i], std::cos(M_PI * (i + 1) / 11), 2e-5);

    // A resonant speech-like filter survives LP -> LSP -> LP.
    for (int n = 0; n < 240; ++n) {
        speech[n] = static_cast<float>(1000 * std::sin(0.3 * n) + 700 * std::sin(1.1 * n + 1) +
                                       300 * std::sin(2.3 * n));
    }
    Autocorrelation(speech, r);
    Levinson(r, a, k);
    ASSERT_TRUE(LpToLsp(a, lsp));
    for (int i = 1; i < 10; ++i)
        EXPECT_LT(lsp[i], lsp[i - 1]);
    float back[11];
    LspToLp(lsp, back);
    for (int i = 0; i <= 10; ++i)
        EXPECT_NEAR(back[i], a[i], 2e-3 * (1 + std::fabs(a[i]))) << i;
}

} // namespace
} // namespace orv
