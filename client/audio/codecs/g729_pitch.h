#pragma once

// Pitch (adaptive codebook): open-loop and closed-loop delay search with
// 1/3-sample resolution, delay coding with its parity bit, the fractional
// adaptive-codebook vector and the encoder's taming of the pitch gain.

namespace orv::g729 {

// Open-loop delay from the weighted speech of the frame (reads 143 past samples).
int OpenLoopPitch(const float* weighted);

struct PitchDelay {
    int t0 = 0;   // integer part
    int frac = 0; // -1, 0 or +1 thirds
};

struct DelayRange {
    int min = 0;
    int max = 0;
};

DelayRange FirstSubframeRange(int openLoop);
DelayRange SecondSubframeRange(int firstT0);

// Closed-loop search over the range. exc points at the current subframe of the
// excitation buffer (its past is read), target and h are 40 samples.
PitchDelay ClosedLoopPitch(const float* exc, const float* target, const float* h, DelayRange range,
                           bool firstSubframe);

int EncodeDelay1(PitchDelay delay);
int EncodeDelay2(PitchDelay delay, DelayRange range);
PitchDelay DecodeDelay1(int index);
PitchDelay DecodeDelay2(int index, DelayRange range);
int DelayParity(int index);

// Writes the 40-sample adaptive-codebook vector over exc[0..39] from its past.
void AdaptiveVector(float* exc, PitchDelay delay);

// Optimal pitch gain for the filtered adaptive vector y1, limited to
// [0, GAIN_PIT_MAX]; yy and xy return the correlations it was built from.
float PitchGain(const float* target, const float* y1, float& yy, float& xy);

// Error build-up of the past excitation in four 40-sample zones (encoder only).
struct Taming {
    float error[4];
    void Reset();
    bool NeedsTaming(PitchDelay delay) const;
    void Update(float gainPitch, int t0);
};

} // namespace orv::g729
