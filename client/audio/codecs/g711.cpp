#include "client/audio/codecs/g711.h"

#include <algorithm>

#include "client/audio/codecs/pcm_bytes.h"

namespace orv {

namespace {

// Segment of a magnitude: the number of times it must be halved to fall
// below the first segment's end.
int Segment(int magnitude, int firstEnd) {
    int segment = 0;
    while (segment < 8 && magnitude >= firstEnd << segment)
        ++segment;
    return segment;
}

uint8_t ComputeALaw(int16_t sample) {
    const int mask = sample >= 0 ? 0xD5 : 0x55;
    const int magnitude = (sample >= 0 ? sample : ~sample) >> 3; // 12-bit
    const int segment = Segment(magnitude, 32);
    if (segment >= 8) return static_cast<uint8_t>(0x7F ^ mask);
    const int shift = segment < 2 ? 1 : segment;
    const int code = (segment << 4) | ((magnitude >> shift) & 0x0F);
    return static_cast<uint8_t>(code ^ mask);
}

uint8_t ComputeMuLaw(int16_t sample) {
    constexpr int kBias = 132;
    constexpr int kClip = 32635;
    const int mask = sample >= 0 ? 0xFF : 0x7F;
    int magnitude = sample >= 0 ? sample : ~sample;
    // The two low bits carry no weight on the 14-bit scale of the law.
    magnitude = (std::min(magnitude, kClip) & ~3) + kBias;
    const int segment = Segment(magnitude, 256);
    if (segment >= 8) return static_cast<uint8_t>(0x7F ^ mask);
    const int code = (segment << 4) | ((magnitude >> (segment + 3)) & 0x0F);
    return static_cast<uint8_t>(code ^ mask);
}

// The A-law code depends only on sample >> 3 and the mu-law code only on
// sample >> 2, so both encoders become table look-ups.
struct EncodeTables {
    uint8_t alaw[1 << 13];
    uint8_t mulaw[1 << 14];
    EncodeTables() {
        for (int i = 0; i < (1 << 13); ++i) {
            alaw[i] = ComputeALaw(static_cast<int16_t>((i - (1 << 12)) * 8));
        }
        for (int i = 0; i < (1 << 14); ++i) {
            mulaw[i] = ComputeMuLaw(static_cast<int16_t>((i - (1 << 13)) * 4));
        }
    }
    uint8_t ALaw(int16_t sample) const { return alaw[(sample >> 3) + (1 << 12)]; }
    uint8_t MuLaw(int16_t sample) const { return mulaw[(sample >> 2) + (1 << 13)]; }
};

const EncodeTables& Tables() {
    static const EncodeTables tables;
    return tables;
}

} // namespace

uint8_t LinearToALaw(int16_t sample) {
    return Tables().ALaw(sample);
}

uint8_t LinearToMuLaw(int16_t sample) {
    return Tables().MuLaw(sample);
}

int16_t ALawToLinear(uint8_t code) {
    const int v = code ^ 0x55;
    const int segment = (v >> 4) & 7;
    int magnitude = ((v & 0x0F) << 4) + 8;
    if (segment > 0) magnitude += 0x100;
    if (segment > 1) magnitude <<= segment - 1;
    return static_cast<int16_t>((v & 0x80) ? magnitude : -magnitude);
}

int16_t MuLawToLinear(uint8_t code) {
    const int v = ~code & 0xFF;
    const int segment = (v >> 4) & 7;
    const int magnitude = ((((v & 0x0F) << 3) + 132) << segment) - 132;
    return static_cast<int16_t>((v & 0x80) ? -magnitude : magnitude);
}

G711Codec::G711Codec(Law law) : AudioCodec(law == Law::A ? 8 : 0), law_(law) {}

int G711Codec::Encode(const uint8_t* pcm, uint32_t& pcmLength, uint8_t* out, uint32_t& outLength) {
    const uint32_t count = std::min(pcmLength / 2, outLength);
    const EncodeTables& tables = Tables();
    for (uint32_t i = 0; i < count; ++i) {
        const int16_t s = ReadSample(pcm + 2 * i);
        out[i] = law_ == Law::A ? tables.ALaw(s) : tables.MuLaw(s);
    }
    pcmLength = 2 * count;
    outLength = count;
    return 0;
}

int G711Codec::Decode(const uint8_t* in, uint32_t& inLength, uint8_t* pcm, uint32_t& pcmLength) {
    const uint32_t count = std::min(inLength, pcmLength / 2);
    for (uint32_t i = 0; i < count; ++i) {
        WriteSample(pcm + 2 * i, law_ == Law::A ? ALawToLinear(in[i]) : MuLawToLinear(in[i]));
    }
    inLength = count;
    pcmLength = 2 * count;
    return 0;
}

} // namespace orv
