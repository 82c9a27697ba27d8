// How well a recording reproduces a reference speech signal (both 8000 Hz mono): the
// recording is aligned to the reference as a whole (the delay), then every voiced half
// quarter second of the reference is matched within a small window around that delay, since a
// playback path that drops or holds 30 ms blocks shifts the alignment a little as it goes.
#pragma once

#include <string>
#include <vector>

namespace orv::test {

struct SpeechMatch {
    double delayMs = 0;         // where the reference starts in the recording
    double correlation = 0;     // mean over voiced segments of the best normalised correlation
    double envelope = 0;        // correlation of the 10 ms loudness contours (dB) at the delay
    int segments = 0;           // voiced segments compared
};

// Samples of a WAV file as floats at its own rate; empty when unreadable or not 8000 Hz.
std::vector<float> ReadSpeech8k(const std::string& path, std::string* error = nullptr);

// maxDelayMs bounds the search for the overall delay.
SpeechMatch MatchSpeech(const std::vector<float>& reference, const std::vector<float>& recording,
                        double maxDelayMs = 3000);

// How far the recording lags the reference around one moment of the recording.
struct DelayPoint {
    double atMs = 0;      // the window's start in the recording
    double delayMs = 0;
    double correlation = 0; // normalised, at that delay
};

// The delay window by window (windowMs long, one after another), searched in [0, maxDelayMs];
// windows where the speech is quiet or matches at no delay (correlation under 0.5) are left out.
std::vector<DelayPoint> TrackDelay(const std::vector<float>& reference, const std::vector<float>& recording,
                                   double windowMs, double maxDelayMs);

} // namespace orv::test
