// Stands in for missing 30 ms speech blocks with pitch-based waveform repetition. From the
// speech played last it finds the pitch period (2.5-15 ms by normalised autocorrelation) and
// repeats it: one period during the first 10 ms of a loss, then the last two and three
// periods, so a long loss does not buzz; each switch happens where the stretches line up.
// After 10 ms the repetition fades by a fifth per 10 ms towards a quiet noise floor 30 dB
// under the speech, so a loss never turns into hard silence inside speech. The first good
// block after a loss is cross-faded from the continued repetition over 10 ms.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orv {

class WaveformConcealer {
public:
    static constexpr std::size_t kBlockSamples = 240;

    // Forgets the speech played so far (a new stream).
    void Reset();
    // A real block about to be played: after a loss its start is merged with the repetition;
    // then it becomes the history.
    void Played(std::int16_t* block);
    // Fills a block that stands for a missing one.
    void Conceal(std::int16_t* block);
    bool Concealing() const { return m_erased != 0; }

private:
    static constexpr std::size_t kMinPitch = 20;  // 2.5 ms
    static constexpr std::size_t kMaxPitch = 120; // 15 ms
    static constexpr std::size_t kHistory = 3 * kMaxPitch + kMaxPitch / 4;
    static constexpr std::size_t kUnfadedSamples = 80; // 10 ms at full level
    static constexpr std::size_t kMergeSamples = 80;

    void Remember(const std::int16_t* block);
    void StartLoss();
    // The next sample of the repetition, before the fade.
    float NextRepeated();
    float Noise();

    std::array<float, kHistory> m_history{}; // oldest first
    std::size_t m_erased = 0;                // samples concealed in the current loss
    std::size_t m_pitch = kMaxPitch;
    std::size_t m_periods = 1; // periods of the history being repeated
    std::size_t m_position = 0; // within the repeated stretch
    float m_speechLevel = 0;    // RMS of the history when the loss began
    std::uint32_t m_seed = 12345;
};

} // namespace orv
