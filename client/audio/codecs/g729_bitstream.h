#pragma once

#include <cstdint>

// The 80 bits of a G.729 frame: 15 fields, each most significant bit first;
// bit k of the frame goes to octet k/8, bit position 7 - k%8.

namespace orv::g729 {

constexpr int kFrameBytes = 10;

struct FrameFields {
    int l0, l1, l2, l3; // LSF quantiser: mode, first stage, second stage halves
    int p1, p0;         // sf1 delay and its parity
    int c1, s1;         // sf1 pulse positions and signs
    int ga1, gb1;       // sf1 gain indices (transmitted form)
    int p2;             // sf2 relative delay
    int c2, s2;
    int ga2, gb2;
};

void PackFrame(const FrameFields& fields, uint8_t* frame);
FrameFields UnpackFrame(const uint8_t* frame);

} // namespace orv::g729
