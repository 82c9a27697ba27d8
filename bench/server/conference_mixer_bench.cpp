// The conference mixer's cost: one room of four members for one 30 ms block (decode the
// four members' packets, mix, encode one packet for each member), per codec. Rooms per core
// is 30 ms over the time of one block. The baseline beside it: the same four decodes and
// four encodes without the mix, which is what four plain calls' worth of transcoding costs.
#include "server/conference_mixer.h"
#include "wire/media_header.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using namespace orv;

// One encoded 30 ms block of a member speaking (a tone of its own pitch).
std::vector<std::uint8_t> EncodedBlock(int codec, int member) {
    auto encoder = CreateAudioCodec(codec);
    std::vector<std::uint8_t> pcm(kMixBlockSamples * 2);
    for (std::size_t i = 0; i < kMixBlockSamples; ++i) {
        const auto v = static_cast<std::int16_t>(8000 * std::sin(0.05 * (member + 1) * static_cast<double>(i)));
        pcm[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
        pcm[2 * i + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    }
    std::uint32_t in = static_cast<std::uint32_t>(pcm.size());
    std::uint32_t size = encoder->EncodedSize(in);
    std::vector<std::uint8_t> out(size);
    encoder->Encode(pcm.data(), in, out.data(), size);
    out.resize(size);
    return out;
}

void RoomOfFour(benchmark::State& state) {
    const int codec = static_cast<int>(state.range(0));
    ConferenceMixer mixer(1);
    std::vector<std::vector<std::uint8_t>> payloads;
    for (int seat = 0; seat < kMixerSeats; ++seat) {
        mixer.Join(seat, codec, codec);
        payloads.push_back(EncodedBlock(codec, seat));
    }
    std::array<std::vector<std::uint8_t>, kMixerSeats> out;
    for (int warm = 0; warm < 2; ++warm) {
        for (int seat = 0; seat < kMixerSeats; ++seat) mixer.Feed(seat, payloads[seat].data(), payloads[seat].size());
    }
    for (auto _ : state) {
        for (int seat = 0; seat < kMixerSeats; ++seat) mixer.Feed(seat, payloads[seat].data(), payloads[seat].size());
        mixer.Mix(&out);
        benchmark::DoNotOptimize(out[0].data());
    }
    // Blocks mixed per second of CPU, times the 30 ms each block lasts: rooms one core keeps up with.
    state.counters["rooms_per_core"] =
        benchmark::Counter(0.030 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(RoomOfFour)->Arg(kCodecG711ALaw)->ArgName("g711a");
BENCHMARK(RoomOfFour)->Arg(kCodecG729)->ArgName("g729");

// Baseline: four decodes and four encodes, no mixing.
void TranscodeFour(benchmark::State& state) {
    const int codec = static_cast<int>(state.range(0));
    std::vector<std::unique_ptr<AudioCodec>> decoders, encoders;
    std::vector<std::vector<std::uint8_t>> payloads;
    for (int seat = 0; seat < kMixerSeats; ++seat) {
        decoders.push_back(CreateAudioCodec(codec));
        encoders.push_back(CreateAudioCodec(codec));
        payloads.push_back(EncodedBlock(codec, seat));
    }
    std::vector<std::uint8_t> pcm(kMixBlockSamples * 2), out(kMixBlockSamples * 2);
    for (auto _ : state) {
        for (int seat = 0; seat < kMixerSeats; ++seat) {
            std::uint32_t in = static_cast<std::uint32_t>(payloads[seat].size());
            std::uint32_t size = static_cast<std::uint32_t>(pcm.size());
            decoders[seat]->Decode(payloads[seat].data(), in, pcm.data(), size);
            in = size;
            size = static_cast<std::uint32_t>(out.size());
            encoders[seat]->Encode(pcm.data(), in, out.data(), size);
            benchmark::DoNotOptimize(out.data());
        }
    }
}
BENCHMARK(TranscodeFour)->Arg(kCodecG711ALaw)->ArgName("g711a");
BENCHMARK(TranscodeFour)->Arg(kCodecG729)->ArgName("g729");

} // namespace

BENCHMARK_MAIN();
