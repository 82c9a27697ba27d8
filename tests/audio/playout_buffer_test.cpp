// The playout buffer through a whole simulated call, on a virtual clock: a talker sends a
// 30 ms block every 30 ms (voiced stretches and pauses), the network adds a little jitter,
// loses 10 % of the packets at random and some in bursts of three, reorders a few and twice
// stalls for 150 ms; the speaker takes a block every 30 ms on its own clock. Checked
// together: every lost block has a stand-in that is neither silence nor a click, the delay
// comes back after each stall, the speech played matches the speech sent, and the counts add
// up.
#include "client/audio/pipeline/playout_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

namespace orv {
namespace {

constexpr int kBlock = 240;
constexpr int kBlockMs = 30;
constexpr int kBlocks = 1400; // 42 s
constexpr int kStallStart[] = {12000, 27000};
constexpr int kStallMs = 150;

// Voiced for 600 ms (a pitch gliding 110-190 Hz with harmonics), then 300 ms of pause.
std::int16_t Talk(long n) {
    const long inCycle = n % 7200;
    if (inCycle >= 4800) return 0;
    const double t = static_cast<double>(n) / 8000;
    // The phase of a pitch of 150 + 40 sin(2 pi 0.7 t) Hz.
    const double phase = 2 * M_PI * (150 * t - 40 / (2 * M_PI * 0.7) * std::cos(2 * M_PI * 0.7 * t));
    const double envelope = std::sin(M_PI * static_cast<double>(inCycle) / 4800);
    return static_cast<std::int16_t>(envelope * (6000 * std::sin(phase) + 2500 * std::sin(2 * phase + 0.3) +
                                                 1200 * std::sin(3 * phase + 1.1)));
}

std::vector<std::uint8_t> BlockBytes(long index) {
    std::vector<std::uint8_t> bytes(2 * kBlock);
    for (int i = 0; i < kBlock; ++i) {
        const auto s = static_cast<std::uint16_t>(Talk(index * kBlock + i));
        bytes[2 * i] = static_cast<std::uint8_t>(s & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(s >> 8);
    }
    return bytes;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) ab += a[i] * b[i], aa += a[i] * a[i], bb += b[i] * b[i];
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

TEST(PlayoutBuffer, ConcealsLossAbsorbsJitterAndGivesTheDelayBackAfterStalls) {
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> chance(0, 1);
    // When each block reaches the buffer (-1: lost).
    std::vector<int> arrival(kBlocks);
    std::vector<bool> lost(kBlocks, false);
    for (int k = 0; k < kBlocks; ++k) {
        if (chance(random) < 0.10) lost[k] = true;
        if (k % 97 == 50) lost[k] = lost[k + 1] = lost[k + 2] = true; // a burst of three
    }
    for (int k = 0; k < kBlocks; ++k) {
        int at = kBlockMs * k + 2 + static_cast<int>(random() % 6);
        if (k % 41 == 7) at += kBlockMs + 5; // now and then one comes after its successor
        for (int stall : kStallStart) {
            if (at >= stall && at < stall + kStallMs) at = stall + kStallMs; // held, then all at once
        }
        arrival[k] = lost[k] ? -1 : at;
    }
    std::multimap<int, int> deliveries; // time -> block
    for (int k = 0; k < kBlocks; ++k) {
        if (arrival[k] >= 0) deliveries.emplace(arrival[k], k);
    }

    PlayoutBuffer buffer;
    const std::uint64_t base = std::uint64_t{1} << 32;
    std::vector<std::int16_t> played;
    std::vector<int> pullTimes;
    auto next = deliveries.begin();
    std::uint8_t out[2 * kBlock];
    // The speaker pulls on its own clock, 13 ms out of phase with the talker's.
    for (int t = 13; t < kBlockMs * kBlocks; t += kBlockMs) {
        for (; next != deliveries.end() && next->first <= t; ++next) {
            buffer.PutBlock(base + static_cast<std::uint64_t>(next->second), BlockBytes(next->second).data());
        }
        if (!buffer.PullBlock(out)) {
            ASSERT_LT(t, 100) << "the buffer stopped playing at " << t << " ms";
            continue;
        }
        for (int i = 0; i < kBlock; ++i) played.push_back(static_cast<std::int16_t>(out[2 * i] | (out[2 * i + 1] << 8)));
        pullTimes.push_back(t);
    }

    // The delay: where in the played stream the talk of each moment lies, found every 150 ms
    // by matching the played samples against the talk at each whole-block lag. Where a
    // window of the talk is voiced and the match is clear, the lag is the delay.
    auto delayAt = [&](int talkMs) -> int {
        const long start = talkMs * 8L;
        int bestLag = -1;
        double best = 0.9;
        for (int lag = 0; lag <= 16; ++lag) {
            const long from = start - static_cast<long>(pullTimes.front() / kBlockMs) * kBlock + lag * kBlock;
            if (from < 0 || from + 960 > static_cast<long>(played.size())) continue;
            std::vector<double> a(960), b(960);
            for (int i = 0; i < 960; ++i) a[i] = Talk(start + i), b[i] = played[static_cast<std::size_t>(from + i)];
            const double c = Correlation(a, b);
            if (c > best) best = c, bestLag = lag;
        }
        return bestLag < 0 ? -1 : bestLag * kBlockMs + pullTimes.front() % kBlockMs;
    };
    for (int stall : kStallStart) {
        SCOPED_TRACE("stall at " + std::to_string(stall) + " ms");
        std::vector<int> before, after;
        for (int ms = stall - 3000; ms < stall - 300; ms += 150) {
            if (const int d = delayAt(ms); d >= 0) before.push_back(d);
        }
        for (int ms = stall + 5000; ms < stall + 7000; ms += 150) {
            if (const int d = delayAt(ms); d >= 0) after.push_back(d);
        }
        ASSERT_GE(before.size(), 5u);
        ASSERT_GE(after.size(), 5u);
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        // The settled delay (the median: a burst of loss moves it a block for a while).
        const int settled = before[before.size() / 2], back = after[after.size() / 2];
        std::printf("delay before the stall %d ms, 5-7 s after it %d ms\n", settled, back);
        EXPECT_LE(settled, 2 * kBlockMs + 13); // the late packets need one block more than the rest
        EXPECT_LE(std::abs(back - settled), 10) << "not back 5 s after the stall";
    }

    // No stand-in is silence inside the talk: no run of exact zeros over 1 ms with sound 10 ms
    // either side of it; and nothing clicks: no step between neighbouring samples larger
    // than the talk itself makes (under 2500).
    auto loud = [&](long from) {
        if (from < 0 || from + 80 > static_cast<long>(played.size())) return false;
        double energy = 0;
        for (long i = from; i < from + 80; ++i) energy += static_cast<double>(played[i]) * played[i];
        return std::sqrt(energy / 80) > 500;
    };
    long longestZeros = 0;
    int biggestJump = 0;
    for (long i = 1, zeroStart = -1; i < static_cast<long>(played.size()); ++i) {
        biggestJump = std::max(biggestJump, std::abs(played[i] - played[i - 1]));
        if (played[i] == 0) {
            if (zeroStart < 0) zeroStart = i;
        } else if (zeroStart >= 0) {
            if (loud(zeroStart - 80) && loud(i)) longestZeros = std::max(longestZeros, i - zeroStart);
            zeroStart = -1;
        }
    }
    EXPECT_LE(longestZeros, 8);
    EXPECT_LT(biggestJump, 4000);

    const PlayoutBuffer::Counts counts = buffer.GetCounts();
    const auto lostCount = static_cast<std::uint64_t>(std::count(lost.begin(), lost.end(), true));
    std::printf("played %llu, concealed %llu, stretched %llu, trimmed %llu, late %llu, lost %llu\n",
                static_cast<unsigned long long>(counts.played), static_cast<unsigned long long>(counts.concealed),
                static_cast<unsigned long long>(counts.stretched), static_cast<unsigned long long>(counts.trimmed),
                static_cast<unsigned long long>(counts.late), static_cast<unsigned long long>(lostCount));
    EXPECT_EQ(counts.played + counts.concealed + counts.stretched, played.size() / kBlock);
    EXPECT_GE(counts.concealed + counts.stretched, lostCount);
    EXPECT_GT(counts.trimmed, 0u);
    EXPECT_GE(counts.stretched, 10u); // the stalls at least
}

} // namespace
} // namespace orv
