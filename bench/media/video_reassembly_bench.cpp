// Video reassembly throughput for typical compressed frame sizes, beside a plain copy of the
// same payload bytes into a frame buffer.
#include "client/media/bitmap_info_header.h"
#include "client/media/video_fragmenter.h"
#include "client/media/video_reassembly.h"
#include "wire/media_header.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

using namespace orv;
using Bytes = std::vector<std::uint8_t>;

constexpr int kFramesPerRound = 32;

// kFramesPerRound consecutive frames of frameBytes bytes each, cut into 512-byte fragments,
// followed by the first fragment of one more frame so that the last one completes.
std::vector<Bytes> Packets(std::size_t frameBytes) {
    BitmapInfoHeader format;
    format.biWidth = 352;
    format.biHeight = 288;
    format.biCompression = 0x3234524F;
    Bytes data(frameBytes - kBitmapInfoHeaderBytes, 0x5A), frame;
    std::vector<Bytes> packets;
    VideoFragmenter fragmenter(512);
    std::uint32_t sequence = 0;
    for (int f = 0; f <= kFramesPerRound; ++f) {
        BuildVideoFrame(format, nullptr, data.data(), data.size(), f % 10 == 0, frame);
        fragmenter.Send(frame.data(), frame.size(), static_cast<std::uint32_t>(40 * (f + 1)), 1,
                        sequence, [&](const std::uint8_t* p, std::size_t n) {
                            packets.emplace_back(p, p + n);
                        });
    }
    const std::size_t lastFrameFragments = fragmenter.FragmentCount(frameBytes);
    packets.resize(packets.size() - lastFrameFragments + 1);
    return packets;
}

void SetCounters(benchmark::State& state, std::size_t frameBytes) {
    state.SetItemsProcessed(state.iterations() * kFramesPerRound);
    state.SetBytesProcessed(state.iterations() * kFramesPerRound * static_cast<std::int64_t>(frameBytes));
}

void BM_VideoReassembly(benchmark::State& state) {
    const auto frameBytes = static_cast<std::size_t>(state.range(0));
    const auto packets = Packets(frameBytes);
    Bytes frame;
    std::uint32_t base = 0;
    VideoReassembly reassembly(true);
    for (auto _ : state) {
        int delivered = 0;
        for (const Bytes& packet : packets) {
            MediaHeader header;
            std::size_t offset = 0;
            UnpackMediaHeader(packet.data(), packet.size(), header);
            FindMediaPayload(packet.data(), packet.size(), offset);
            // Each round moves the timeline on so frames stay newer than the last one.
            delivered += reassembly.Add(base + header.timestamp, header.sequence, packet.data() + offset,
                                        packet.size() - offset, frame);
        }
        base += 40 * (kFramesPerRound + 2);
        if (delivered < kFramesPerRound) state.SkipWithError("frames lost");
        benchmark::DoNotOptimize(frame.data());
    }
    SetCounters(state, frameBytes);
}

void BM_PlainCopy(benchmark::State& state) {
    const auto frameBytes = static_cast<std::size_t>(state.range(0));
    const auto packets = Packets(frameBytes);
    Bytes frame(frameBytes);
    for (auto _ : state) {
        std::size_t written = 0;
        for (const Bytes& packet : packets) {
            const std::size_t n = packet.size() - kMediaHeaderBytes;
            if (written + n > frame.size()) written = 0;
            std::memcpy(frame.data() + written, packet.data() + kMediaHeaderBytes, n);
            written += n;
            benchmark::ClobberMemory();
        }
        benchmark::DoNotOptimize(frame.data());
    }
    SetCounters(state, frameBytes);
}

// A small delta frame, a typical CIF frame, a CIF key frame, and the largest frame allowed.
BENCHMARK(BM_VideoReassembly)->Arg(2000)->Arg(8000)->Arg(30000)->Arg(65535);
BENCHMARK(BM_PlainCopy)->Arg(2000)->Arg(8000)->Arg(30000)->Arg(65535);

} // namespace

BENCHMARK_MAIN();
