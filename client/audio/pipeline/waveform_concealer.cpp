#include "client/audio/pipeline/waveform_concealer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orv {

namespace {

// The correlation window of the pitch search: the last 20 ms.
constexpr std::size_t kPitchWindow = 160;
constexpr float kNoiseFloor = 0.0316F; // -30 dB under the speech level
constexpr float kFadePerSample = 0.2F / 80; // a fifth per 10 ms

std::int16_t Clamp(float value) {
    return static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

} // namespace

void WaveformConcealer::Reset() {
    m_history.fill(0);
    m_erased = 0;
    m_position = 0;
    m_periods = 1;
}

void WaveformConcealer::Remember(const std::int16_t* block) {
    std::memmove(m_history.data(), m_history.data() + kBlockSamples, (kHistory - kBlockSamples) * sizeof(float));
    for (std::size_t i = 0; i < kBlockSamples; ++i) m_history[kHistory - kBlockSamples + i] = block[i];
}

void WaveformConcealer::StartLoss() {
    const float* recent = m_history.data() + kHistory - kPitchWindow;
    double energy = 0;
    for (std::size_t i = 0; i < kPitchWindow; ++i) energy += static_cast<double>(recent[i]) * recent[i];
    m_speechLevel = static_cast<float>(std::sqrt(energy / kPitchWindow));
    double best = -2;
    m_pitch = kMaxPitch;
    for (std::size_t lag = kMinPitch; lag <= kMaxPitch; ++lag) {
        const float* earlier = recent - lag;
        double cross = 0, earlierEnergy = 0;
        for (std::size_t i = 0; i < kPitchWindow; ++i) {
            cross += static_cast<double>(recent[i]) * earlier[i];
            earlierEnergy += static_cast<double>(earlier[i]) * earlier[i];
        }
        const double norm = std::sqrt(energy * earlierEnergy);
        const double score = norm > 0 ? cross / norm : 0;
        if (score > best + 1e-9) {
            best = score;
            m_pitch = lag;
        }
    }
    m_periods = 1;
    m_position = 0;
}

float WaveformConcealer::NextRepeated() {
    // At a boundary of the repeated stretch a longer one can take over seamlessly: the next
    // sample of both is the one a period before the history's end.
    const std::size_t wanted = std::min<std::size_t>(1 + m_erased / kUnfadedSamples, 3);
    if (wanted > m_periods && m_position % (m_periods * m_pitch) == 0) {
        m_periods = wanted;
        m_position = m_pitch;
    }
    const std::size_t stretch = m_periods * m_pitch;
    const float value = m_history[kHistory - stretch + m_position % stretch];
    ++m_position;
    return value;
}

float WaveformConcealer::Noise() {
    m_seed = m_seed * 1664525U + 1013904223U;
    // Uniform in [-1, 1) scaled to unit RMS.
    return (static_cast<float>(m_seed >> 8) / 8388608.0F - 1.0F) * 1.732F;
}

void WaveformConcealer::Conceal(std::int16_t* block) {
    if (m_erased == 0) StartLoss();
    for (std::size_t i = 0; i < kBlockSamples; ++i, ++m_erased) {
        const float repeated = NextRepeated();
        const float gain =
            m_erased < kUnfadedSamples ? 1.0F
                                       : std::max(0.0F, 1.0F - kFadePerSample * static_cast<float>(m_erased - kUnfadedSamples));
        const float noise = Noise() * m_speechLevel * kNoiseFloor;
        block[i] = Clamp(gain * repeated + (1.0F - gain) * noise);
    }
}

void WaveformConcealer::Played(std::int16_t* block) {
    if (m_erased != 0) {
        for (std::size_t i = 0; i < kMergeSamples; ++i, ++m_erased) {
            const float gain = std::max(
                0.0F, 1.0F - kFadePerSample * static_cast<float>(m_erased > kUnfadedSamples ? m_erased - kUnfadedSamples : 0));
            const float synthetic = gain * NextRepeated();
            const float weight = static_cast<float>(i + 1) / (kMergeSamples + 1);
            block[i] = Clamp(weight * block[i] + (1.0F - weight) * synthetic);
        }
        m_erased = 0;
    }
    Remember(block);
}

} // namespace orv
