// CPU of the microphone's voice processing per second of audio: a played block and a recorded
// block (the played sound through a short echo path, plus a second talker) every 30 ms, with
// the canceller on, against the same loop with it off (blocks pass unchanged).
#include "client/audio/pipeline/echo_canceller.h"
#include "client/audio/pipeline/pcm_block_queue.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace orv {
namespace {

constexpr std::size_t kBlock = kPcmBlockSamples;
constexpr std::size_t kSeconds = 10;
constexpr std::size_t kBlocks = kSeconds * 8000 / kBlock;

// A voiced sound whose pitch wanders, in syllables of 200 ms with pauses between them.
std::vector<std::int16_t> Talker(double pitch, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 300);
    std::vector<std::int16_t> out(kBlocks * kBlock);
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / 8000;
        const bool voiced = std::fmod(t, 0.3) < 0.2;
        phase += 2 * M_PI * pitch * (1 + 0.1 * std::sin(2 * M_PI * 0.7 * t)) / 8000;
        double v = 0;
        for (int h = 1; h <= 8; ++h) v += std::sin(h * phase) / h;
        out[i] = static_cast<std::int16_t>(voiced ? 6000 * v + noise(random) : noise(random) / 10);
    }
    return out;
}

void RunCanceller(benchmark::State& state, bool enabled) {
    const std::vector<std::int16_t> far = Talker(120, 1), near = Talker(210, 2);
    std::vector<std::int16_t> mic(far.size());
    for (std::size_t i = 0; i < mic.size(); ++i) { // a block at the device, 8 ms and a reflection
        const std::size_t a = i >= 304 ? i - 304 : 0, b = i >= 400 ? i - 400 : 0;
        mic[i] = static_cast<std::int16_t>(far[a] / 3 + far[b] / 8 + (i > mic.size() / 2 ? near[i] : 0));
    }
    EchoCanceller canceller;
    canceller.SetEnabled(enabled);
    std::int16_t block[kBlock];
    for (auto _ : state) {
        for (std::size_t n = 0; n < kBlocks; ++n) {
            canceller.Played(reinterpret_cast<const std::uint8_t*>(&far[n * kBlock]), 30000);
            std::memcpy(block, &mic[n * kBlock], sizeof block);
            canceller.Captured(reinterpret_cast<std::uint8_t*>(block), 0);
            benchmark::DoNotOptimize(block);
        }
    }
    // CPU time per second of audio processed (shown in ms or us).
    state.counters["cpu_per_audio_s"] = benchmark::Counter(static_cast<double>(state.iterations() * kSeconds),
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MicrophoneProcessingOff(benchmark::State& state) { RunCanceller(state, false); }
void BM_EchoCancellerNoiseAndGain(benchmark::State& state) { RunCanceller(state, true); }

BENCHMARK(BM_MicrophoneProcessingOff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EchoCancellerNoiseAndGain)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace orv

BENCHMARK_MAIN();
