// The adaptive playout buffer of a call's received speech. Decoded blocks come in by their
// place in the peer's stream; the speaker takes one block each time its device needs one.
// - A block that is missing when its turn comes, while a later one is here, was lost: a
//   pitch-based repetition of the speech stands in for it (WaveformConcealer).
// - With nothing here at all (a late packet, a stall) a stand-in is played and the turn is
//   kept, so the delay grows by one block, as many turns in a row as the patience allows;
//   after that the stand-ins give their turns away. The patience is how late blocks came
//   lately (at least one, at most kMostPatience blocks); it falls by one every five seconds
//   with no block that late. If a block comes after stand-ins kept its turn, it was late
//   and the window below starts again; if a later one comes first, it was lost and its turn
//   is given away. A block that comes after its turn was given away is dropped as late.
// - The extra is given back. When for half a second every turn found at least one more
//   block than the one it played, one block goes: the next silent one is skipped (or, after
//   three seconds without silence, two blocks are cross-faded into one). When every turn
//   for 240 ms found two spare blocks (after a stall) a block goes at once, the same way.
// - Half a second with nothing to play ends the playing; the next block starts it afresh.
// Every index is bounds-checked: a block too far ahead restarts the stream there.
#pragma once

#include "client/audio/pipeline/speech_block_ports.h"
#include "client/audio/pipeline/waveform_concealer.h"
#include "platform/thread.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace orv {

class PlayoutBuffer final : public SpeechBlockSink, public SpeechBlockSource {
public:
    static constexpr std::size_t kSlots = 32; // blocks held ahead at most (960 ms)
    static constexpr int kTrimWindowPulls = 17;
    static constexpr int kDrainWindowPulls = 8;
    static constexpr int kMergeAfterPulls = 100;
    static constexpr int kIdlePulls = 17;
    static constexpr int kMostPatience = 8;
    static constexpr int kPatienceFallPulls = 167;

    struct Counts {
        std::uint64_t played = 0;    // blocks played as received
        std::uint64_t concealed = 0; // lost blocks stood in for
        std::uint64_t stretched = 0; // stand-ins that kept the turn (the delay grew a block)
        std::uint64_t trimmed = 0;   // blocks given back (the delay shrank a block)
        std::uint64_t late = 0;      // blocks dropped after their turn
    };

    void PutBlock(std::uint64_t index, const std::uint8_t* block) override;
    bool PullBlock(std::uint8_t* block) override;
    void SetPutSignal(Event* signal) override;
    bool FollowsDeviceClock() const override { return true; }
    void Clear();
    Counts GetCounts();
    // Blocks from the one whose turn is next to the newest received (gaps included).
    std::size_t Depth();

private:
    struct Slot {
        std::uint64_t index = 0;
        bool filled = false;
        std::array<std::int16_t, WaveformConcealer::kBlockSamples> samples{};
    };

    std::size_t DepthLocked() const;
    Slot* Find(std::uint64_t index);
    void Restart(std::uint64_t index);
    void ResetWindow();
    // A block came `blocks` turns late: the patience grows to match.
    void CameLate(std::uint64_t blocks);
    // Fills out with a stand-in for the missing turn; true when the turn was kept.
    bool StandIn(std::int16_t* out);
    // Gives a block back when the window says so; true when the block to play was replaced.
    bool Trim(Slot& current, std::int16_t* out);
    void Play(Slot& slot, std::int16_t* out);
    static bool Quiet(const Slot& slot);

    CriticalSection m_lock;
    std::array<Slot, kSlots> m_slots{};
    bool m_playing = false;
    std::uint64_t m_turn = 0;   // index of the block to play next
    std::uint64_t m_newest = 0; // highest index received
    int m_standIns = 0; // stand-ins that kept m_turn
    int m_dryPulls = 0;
    int m_patience = 1;
    int m_pullsSinceLate = 0;
    std::size_t m_lowWater = 0; // least depth seen in the window
    int m_windowPulls = 0;
    WaveformConcealer m_concealer;
    Counts m_counts;
    Event* m_putSignal = nullptr;
};

} // namespace orv
