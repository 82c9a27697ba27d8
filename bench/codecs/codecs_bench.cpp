// Speech codec speed: G.729 (ours beside bcg729 and libavcodec's decoder) per
// 10 ms frame, G.711 and G.723.1 per 30 ms block. Ends with the ratio of our
// G.729 time to bcg729's.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "client/audio/codecs/audio_codec.h"
#include "client/audio/codecs/g729.h"
#include "tests/codecs/reference_g729.h"
#include "tests/codecs/speech_sample.h"

namespace {

using namespace orv;

const std::vector<int16_t>& Speech() {
    static const std::vector<int16_t> speech = [] {
        std::string why;
        std::vector<int16_t> s = testing::MakeSpeech(why);
        if (s.empty()) {
            // Without the speech tools: a voiced, gliding two-formant signal.
            s.resize(8000 * 4);
            double phase = 0;
            for (size_t n = 0; n < s.size(); ++n) {
                phase += 2 * M_PI * (110 + 40 * std::sin(n / 4000.0)) / 8000;
                s[n] = static_cast<int16_t>(6000 * std::sin(phase) + 3000 * std::sin(7 * phase) +
                                            1500 * std::sin(19 * phase));
            }
        }
        s.resize(s.size() / 240 * 240);
        return s;
    }();
    return speech;
}

size_t Frames() {
    return Speech().size() / 80;
}

std::vector<uint8_t> OurBitstream() {
    G729Instance* instance = nullptr;
    G729Open(instance);
    std::vector<uint8_t> bits(Frames() * 10);
    for (size_t f = 0; f < Frames(); ++f)
        G729Encode(instance, &Speech()[f * 80], &bits[f * 10]);
    G729Close(instance);
    return bits;
}

void BM_G729Encode_Ours(benchmark::State& state) {
    G729Instance* instance = nullptr;
    G729Open(instance);
    uint8_t frame[10];
    size_t f = 0;
    for (auto _ : state) {
        G729Encode(instance, &Speech()[f * 80], frame);
        benchmark::DoNotOptimize(frame);
        f = (f + 1) % Frames();
    }
    G729Close(instance);
}
BENCHMARK(BM_G729Encode_Ours);

void BM_G729Encode_Bcg729(benchmark::State& state) {
    testing::Bcg729Encoder encoder;
    uint8_t frame[10];
    size_t f = 0;
    for (auto _ : state) {
        encoder.Encode(&Speech()[f * 80], frame);
        benchmark::DoNotOptimize(frame);
        f = (f + 1) % Frames();
    }
}
BENCHMARK(BM_G729Encode_Bcg729);

void BM_G729Decode_Ours(benchmark::State& state) {
    const auto bits = OurBitstream();
    G729Instance* instance = nullptr;
    G729Open(instance);
    int16_t pcm[80];
    size_t f = 0;
    for (auto _ : state) {
        G729Decode(instance, &bits[f * 10], pcm);
        benchmark::DoNotOptimize(pcm);
        f = (f + 1) % Frames();
    }
    G729Close(instance);
}
BENCHMARK(BM_G729Decode_Ours);

void BM_G729Decode_Bcg729(benchmark::State& state) {
    const auto bits = OurBitstream();
    testing::Bcg729Decoder decoder;
    int16_t pcm[80];
    size_t f = 0;
    for (auto _ : state) {
        decoder.Decode(&bits[f * 10], pcm);
        benchmark::DoNotOptimize(pcm);
        f = (f + 1) % Frames();
    }
}
BENCHMARK(BM_G729Decode_Bcg729);

void BM_G729Decode_Libavcodec(benchmark::State& state) {
    const auto bits = OurBitstream();
    testing::AvG729Decoder decoder;
    std::vector<int16_t> pcm;
    pcm.reserve(160);
    size_t f = 0;
    for (auto _ : state) {
        pcm.clear();
        decoder.Decode(&bits[f * 10], pcm);
        benchmark::DoNotOptimize(pcm.data());
        f = (f + 1) % Frames();
    }
}
BENCHMARK(BM_G729Decode_Libavcodec);

// Codec objects on 30 ms blocks, as the media threads call them.
void EncodeBlocks(benchmark::State& state, int codecId) {
    auto codec = CreateAudioCodec(codecId);
    const size_t blocks = Speech().size() / 240;
    uint8_t out[480];
    size_t b = 0;
    for (auto _ : state) {
        uint32_t pcmLength = 480;
        uint32_t outLength = sizeof(out);
        codec->Encode(reinterpret_cast<const uint8_t*>(&Speech()[b * 240]), pcmLength, out,
                      outLength);
        benchmark::DoNotOptimize(out);
        b = (b + 1) % blocks;
    }
}

void DecodeBlocks(benchmark::State& state, int codecId) {
    auto codec = CreateAudioCodec(codecId);
    const size_t blocks = Speech().size() / 240;
    const uint32_t unit = codec->EncodedSize(480);
    std::vector<uint8_t> coded(blocks * unit);
    for (size_t b = 0; b < blocks; ++b) {
        uint32_t pcmLength = 480;
        uint32_t outLength = unit;
        codec->Encode(reinterpret_cast<const uint8_t*>(&Speech()[b * 240]), pcmLength,
                      &coded[b * unit], outLength);
    }
    uint8_t pcm[480];
    size_t b = 0;
    for (auto _ : state) {
        uint32_t inLength = unit;
        uint32_t pcmLength = sizeof(pcm);
        codec->Decode(&coded[b * unit], inLength, pcm, pcmLength);
        benchmark::DoNotOptimize(pcm);
        b = (b + 1) % blocks;
    }
}

BENCHMARK_CAPTURE(EncodeBlocks, G711ALaw_30ms, kCodecG711ALaw);
BENCHMARK_CAPTURE(DecodeBlocks, G711ALaw_30ms, kCodecG711ALaw);
BENCHMARK_CAPTURE(EncodeBlocks, G711MuLaw_30ms, kCodecG711MuLaw);
BENCHMARK_CAPTURE(DecodeBlocks, G711MuLaw_30ms, kCodecG711MuLaw);
BENCHMARK_CAPTURE(EncodeBlocks, G7231_30ms, kCodecG7231);
BENCHMARK_CAPTURE(DecodeBlocks, G7231_30ms, kCodecG7231);
BENCHMARK_CAPTURE(EncodeBlocks, G729_30ms, kCodecG729);
BENCHMARK_CAPTURE(DecodeBlocks, G729_30ms, kCodecG729);

// Keeps the console output and remembers each benchmark's CPU time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    double Time(const std::string& name) const {
        const auto it = times_.find(name);
        return it == times_.end() ? 0.0 : it->second;
    }

  private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.Time("BM_G729Encode_Ours") + reporter.Time("BM_G729Decode_Ours");
    const double theirs =
        reporter.Time("BM_G729Encode_Bcg729") + reporter.Time("BM_G729Decode_Bcg729");
    if (ours > 0 && theirs > 0) {
        std::printf("G.729 encode+decode per 10 ms frame: ours %.2f us, bcg729 %.2f us, ratio "
                    "ours/bcg729 %.2f\n",
                    ours / 1000, theirs / 1000, ours / theirs);
    }
    benchmark::Shutdown();
    return 0;
}
