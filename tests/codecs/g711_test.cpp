// G.711 against reference tables built here from the law's segment layout
// (segment start, step and code order), independently of the coder's arithmetic.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "client/audio/codecs/g711.h"

namespace orv {
namespace {

// Reconstruction value of every code, from the standard's segment tables.
// A-law: on the 12-bit magnitude scale segment 0 from 0 in steps of 2, segment e >= 1 from
// 32 << (e-1) in steps of 2 << (e-1); the value is the interval's centre, x8.
// Mu-law: on the biased 14-bit scale (magnitude + 33) segment e covers
// [32 << e, 64 << e) in steps of 2 << e; the value is the interval's centre
// less the bias, x4.
std::array<int, 256> ReferenceALawValues() {
    std::array<int, 256> values{};
    for (int e = 0; e < 8; ++e) {
        const int start = e == 0 ? 0 : 32 << (e - 1);
        const int step = e == 0 ? 2 : 2 << (e - 1);
        for (int m = 0; m < 16; ++m) {
            const int centre = (2 * (start + m * step) + step) / 2 * 8; // 16-bit scale
            const int magnitudeCode = (e << 4) | m;
            values[(0x80 | magnitudeCode) ^ 0x55] = centre;
            values[magnitudeCode ^ 0x55] = -centre;
        }
    }
    return values;
}

std::array<int, 256> ReferenceMuLawValues() {
    std::array<int, 256> values{};
    for (int e = 0; e < 8; ++e) {
        const int biasedStart = 32 << e;
        const int step = 2 << e;
        for (int m = 0; m < 16; ++m) {
            const int centre = (biasedStart + m * step + step / 2 - 33) * 4;
            const int magnitudeCode = (e << 4) | m;
            values[magnitudeCode ^ 0xFF] = centre;
            values[magnitudeCode ^ 0x7F] = -centre;
        }
    }
    return values;
}

// Code of every 16-bit input: walk the decision intervals of each segment
// and fill the inputs they cover. Negative inputs use their one's complement.
std::vector<uint8_t> ReferenceALawEncoder() {
    std::vector<int> magnitudeCode(4096); // 12-bit magnitude -> (segment, step index)
    for (int e = 0; e < 8; ++e) {
        const int start = e == 0 ? 0 : 32 << (e - 1);
        const int step = e == 0 ? 2 : 2 << (e - 1);
        for (int m = 0; m < 16; ++m) {
            for (int v = start + m * step; v < start + (m + 1) * step; ++v)
                magnitudeCode[v] = (e << 4) | m;
        }
    }
    std::vector<uint8_t> codes(65536);
    for (int x = -32768; x <= 32767; ++x) {
        const int magnitude = (x >= 0 ? x : -x - 1) / 8;
        const int code = magnitudeCode[magnitude] | (x >= 0 ? 0x80 : 0);
        codes[x + 32768] = static_cast<uint8_t>(code ^ 0x55);
    }
    return codes;
}

std::vector<uint8_t> ReferenceMuLawEncoder() {
    std::vector<int> biasedCode(8192, 0x7F); // biased 14-bit magnitude -> code; the top clips
    for (int e = 0; e < 8; ++e) {
        for (int m = 0; m < 16; ++m) {
            const int low = (32 << e) + m * (2 << e);
            for (int v = low; v < low + (2 << e) && v < 8192; ++v)
                biasedCode[v] = (e << 4) | m;
        }
    }
    std::vector<uint8_t> codes(65536);
    for (int x = -32768; x <= 32767; ++x) {
        const int magnitude = (x >= 0 ? x : -x - 1) / 4;
        const int biased = magnitude + 33 > 8191 ? 8191 : magnitude + 33;
        const int code = biasedCode[biased];
        codes[x + 32768] = static_cast<uint8_t>(x >= 0 ? code ^ 0xFF : code ^ 0x7F);
    }
    return codes;
}

TEST(G711, EveryCodeDecodesToTheStandardValue) {
    const auto alaw = ReferenceALawValues();
    const auto mulaw = ReferenceMuLawValues();
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(ALawToLinear(static_cast<uint8_t>(code)), alaw[code]) << "A-law code " << code;
        EXPECT_EQ(MuLawToLinear(static_cast<uint8_t>(code)), mulaw[code]) << "mu-law code " << code;
    }
    // Anchors straight from the standard's tables.
    EXPECT_EQ(ALawToLinear(0xD5), 8);
    EXPECT_EQ(ALawToLinear(0xAA), 32256);
    EXPECT_EQ(ALawToLinear(0x2A), -32256);
    EXPECT_EQ(MuLawToLinear(0xFF), 0);
    EXPECT_EQ(MuLawToLinear(0x80), 32124);
    EXPECT_EQ(MuLawToLinear(0x00), -32124);
}

TEST(G711, EverySixteenBitInputEncodesAsTheStandardDoes) {
    const auto alaw = ReferenceALawEncoder();
    const auto mulaw = ReferenceMuLawEncoder();
    int alawMismatches = 0;
    int mulawMismatches = 0;
    for (int x = -32768; x <= 32767; ++x) {
        const auto s = static_cast<int16_t>(x);
        if (LinearToALaw(s) != alaw[x + 32768] && ++alawMismatches < 5)
            ADD_FAILURE() << "A-law input " << x;
        if (LinearToMuLaw(s) != mulaw[x + 32768] && ++mulawMismatches < 5)
            ADD_FAILURE() << "mu-law input " << x;
    }
    EXPECT_EQ(alawMismatches, 0);
    EXPECT_EQ(mulawMismatches, 0);
    // Tiny negative values stay tiny (no jump to a large negative code).
    EXPECT_EQ(ALawToLinear(LinearToALaw(-1)), -8);
    EXPECT_EQ(MuLawToLinear(LinearToMuLaw(-1)), 0);
}

TEST(G711, ObjectConvertsWholeSamplesWithinBothBuffers) {
    G711Codec alaw(G711Codec::Law::A);
    std::vector<uint8_t> pcm(480);
    for (size_t i = 0; i < pcm.size(); i += 2) {
        const auto s = static_cast<int16_t>(static_cast<int>(i) * 97 - 20000);
        pcm[i] = static_cast<uint8_t>(s & 0xFF);
        pcm[i + 1] = static_cast<uint8_t>((s >> 8) & 0xFF);
    }
    std::vector<uint8_t> coded(300, 0xEE);
    uint32_t pcmLength = 480;
    uint32_t codedLength = 300;
    ASSERT_EQ(alaw.Encode(pcm.data(), pcmLength, coded.data(), codedLength), 0);
    EXPECT_EQ(pcmLength, 480u);
    EXPECT_EQ(codedLength, 240u);
    EXPECT_EQ(coded[240], 0xEE);
    for (size_t i = 0; i < 240; ++i) {
        ASSERT_EQ(coded[i], LinearToALaw(static_cast<int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8))));
    }

    // Decoding into 100 bytes converts 50 codes and reports 50 consumed.
    std::vector<uint8_t> out(102, 0xEE);
    uint32_t inLength = 240;
    uint32_t outLength = 100;
    ASSERT_EQ(alaw.Decode(coded.data(), inLength, out.data(), outLength), 0);
    EXPECT_EQ(inLength, 50u);
    EXPECT_EQ(outLength, 100u);
    EXPECT_EQ(out[100], 0xEE);

    // An odd room or an odd PCM length never touches half a sample.
    G711Codec mulaw(G711Codec::Law::Mu);
    inLength = 10;
    outLength = 7;
    ASSERT_EQ(mulaw.Decode(coded.data(), inLength, out.data(), outLength), 0);
    EXPECT_EQ(inLength, 3u);
    EXPECT_EQ(outLength, 6u);
    pcmLength = 5;
    codedLength = 10;
    ASSERT_EQ(mulaw.Encode(pcm.data(), pcmLength, coded.data(), codedLength), 0);
    EXPECT_EQ(pcmLength, 4u);
    EXPECT_EQ(codedLength, 2u);
}

} // namespace
} // namespace orv
