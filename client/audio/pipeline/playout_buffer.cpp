#include "client/audio/pipeline/playout_buffer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace orv {

namespace {

constexpr std::size_t kSamples = WaveformConcealer::kBlockSamples;
// A block this quiet (about -47 dB under full scale) is a pause in the speech.
constexpr double kQuietRms = 150;

void ToBytes(const std::int16_t* samples, std::uint8_t* bytes) {
    for (std::size_t i = 0; i < kSamples; ++i) {
        const auto value = static_cast<std::uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
    }
}

} // namespace

void PlayoutBuffer::PutBlock(std::uint64_t index, const std::uint8_t* block) {
    if (block == nullptr) return;
    std::lock_guard<CriticalSection> hold(m_lock);
    if (!m_playing) Restart(index);
    if (index < m_turn) {
        ++m_counts.late;
        CameLate(m_turn - index);
        return;
    }
    if (index - m_turn >= kSlots) Restart(index); // far ahead: the stream starts again there
    Slot& slot = m_slots[index % kSlots];
    slot.index = index;
    slot.filled = true;
    for (std::size_t i = 0; i < kSamples; ++i) {
        slot.samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(block[2 * i] | (block[2 * i + 1] << 8)));
    }
    m_newest = std::max(m_newest, index);
    if (m_putSignal != nullptr) m_putSignal->Set();
}

void PlayoutBuffer::SetPutSignal(Event* signal) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_putSignal = signal;
}

void PlayoutBuffer::Restart(std::uint64_t index) {
    for (Slot& slot : m_slots) slot.filled = false;
    m_playing = true;
    m_turn = index;
    m_newest = index;
    m_standIns = 0;
    m_dryPulls = 0;
    ResetWindow();
}

void PlayoutBuffer::CameLate(std::uint64_t blocks) {
    m_patience = static_cast<int>(std::clamp<std::uint64_t>(blocks, static_cast<std::uint64_t>(m_patience), kMostPatience));
    m_pullsSinceLate = 0;
}

void PlayoutBuffer::ResetWindow() {
    m_lowWater = std::numeric_limits<std::size_t>::max();
    m_windowPulls = 0;
}

PlayoutBuffer::Slot* PlayoutBuffer::Find(std::uint64_t index) {
    Slot& slot = m_slots[index % kSlots];
    return slot.filled && slot.index == index ? &slot : nullptr;
}

std::size_t PlayoutBuffer::DepthLocked() const {
    return m_playing && m_newest >= m_turn ? static_cast<std::size_t>(m_newest - m_turn + 1) : 0;
}

bool PlayoutBuffer::PullBlock(std::uint8_t* block) {
    std::lock_guard<CriticalSection> hold(m_lock);
    if (!m_playing) return false;
    if (++m_pullsSinceLate >= kPatienceFallPulls) {
        m_patience = std::max(1, m_patience - 1);
        m_pullsSinceLate = 0;
    }
    std::int16_t out[kSamples];
    Slot* current = Find(m_turn);
    while (current == nullptr) {
        if (m_newest > m_turn && m_standIns != 0) { // the stand-ins played covered this turn
            ++m_turn;
            m_standIns = 0;
            current = Find(m_turn);
            continue;
        }
        const bool kept = StandIn(out);
        if (!kept && ++m_dryPulls >= kIdlePulls) m_playing = false;
        ToBytes(out, block);
        return true;
    }
    if (m_standIns != 0) {
        // The block came after stand-ins kept its turn: it was late, and the buffer holds
        // no extra now.
        CameLate(static_cast<std::uint64_t>(m_standIns));
        ResetWindow();
    }
    m_dryPulls = 0;
    m_lowWater = std::min(m_lowWater, DepthLocked());
    ++m_windowPulls;
    if (!Trim(*current, out)) Play(*current, out);
    ToBytes(out, block);
    return true;
}

bool PlayoutBuffer::StandIn(std::int16_t* out) {
    m_concealer.Conceal(out);
    if (m_newest <= m_turn && m_standIns < m_patience) {
        ++m_standIns;
        ++m_counts.stretched;
        return true;
    }
    // Lost, or later than the patience allows: the turn goes.
    ++m_counts.concealed;
    ++m_turn;
    m_standIns = 0;
    return false;
}

bool PlayoutBuffer::Trim(Slot& current, std::int16_t* out) {
    const bool drain = m_windowPulls >= kDrainWindowPulls && m_lowWater >= 3;
    const bool spare = m_windowPulls >= kTrimWindowPulls && m_lowWater >= 2;
    if (!drain && !spare) {
        if (m_windowPulls >= kTrimWindowPulls) ResetWindow();
        return false;
    }
    Slot* next = Find(m_turn + 1);
    if (next == nullptr) return false;
    if (Quiet(current)) {
        current.filled = false;
        ++m_turn;
        Play(*next, out);
    } else if (drain || m_windowPulls >= kMergeAfterPulls) {
        // Two blocks become one: a raised-cosine cross-fade from the first to the second.
        for (std::size_t i = 0; i < kSamples; ++i) {
            const double w = 0.5 - 0.5 * std::cos(M_PI * (static_cast<double>(i) + 0.5) / kSamples);
            out[i] = static_cast<std::int16_t>(std::lround((1 - w) * current.samples[i] + w * next->samples[i]));
        }
        current.filled = next->filled = false;
        m_turn += 2;
        m_standIns = 0;
        m_concealer.Played(out);
        ++m_counts.played;
    } else {
        return false; // waits for a pause
    }
    ++m_counts.trimmed;
    ResetWindow();
    return true;
}

void PlayoutBuffer::Play(Slot& slot, std::int16_t* out) {
    std::copy(slot.samples.begin(), slot.samples.end(), out);
    slot.filled = false;
    ++m_turn;
    m_standIns = 0;
    m_concealer.Played(out);
    ++m_counts.played;
}

bool PlayoutBuffer::Quiet(const Slot& slot) {
    double energy = 0;
    for (std::int16_t s : slot.samples) energy += static_cast<double>(s) * s;
    return std::sqrt(energy / kSamples) < kQuietRms;
}

void PlayoutBuffer::Clear() {
    std::lock_guard<CriticalSection> hold(m_lock);
    for (Slot& slot : m_slots) slot.filled = false;
    m_playing = false;
    m_concealer.Reset();
}

PlayoutBuffer::Counts PlayoutBuffer::GetCounts() {
    std::lock_guard<CriticalSection> hold(m_lock);
    return m_counts;
}

std::size_t PlayoutBuffer::Depth() {
    std::lock_guard<CriticalSection> hold(m_lock);
    return DepthLocked();
}

} // namespace orv
