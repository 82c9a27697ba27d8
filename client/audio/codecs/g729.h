#pragma once

#include <cstdint>

// G.729 (CS-ACELP, 8 kbit/s) codec instance: one encoder and one decoder
// state in a single allocation. Frames are 80 samples <-> 10 bytes.

namespace orv {

struct G729Instance;

constexpr int kG729Ok = 0;
constexpr int kG729OpenFailed = 1;
constexpr int kG729InvalidInstance = 4;
constexpr int kG729FrameSamples = 80;
constexpr int kG729FrameBytes = 10;

// Allocates and resets an instance. On allocation failure writes
// "Failed to Open CODEC Instance" to standard output and returns 1.
int G729Open(G729Instance*& instance);

// 80 samples -> 10 bytes.
int G729Encode(G729Instance* instance, const int16_t* pcm, uint8_t* frame);

// 10 bytes -> 80 samples; frame == nullptr conceals a lost frame.
int G729Decode(G729Instance* instance, const uint8_t* frame, int16_t* pcm);

// Frees the instance and clears the caller's pointer.
int G729Close(G729Instance*& instance);

} // namespace orv
