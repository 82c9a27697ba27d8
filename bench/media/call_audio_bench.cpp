// One call's audio cost per second of talk, both directions, on real UDP sockets over the
// loopback. Each direction: capture queue -> audio sender thread (encode, packetise, send)
// -> receive thread (decode, re-block) -> playback queue.
// - BM_CallPerTalkSecond: the threads as they run in a call, fed one 30 ms block per
//   direction every 30 ms; the CPU column is the whole process's CPU per second of talk,
//   the 1 ms polling of the sender threads included.
// - BM_IdleCallPerSecond: the same threads with nothing to send (the polling alone): the
//   baseline the talk cost sits on.
// - BM_PathWorkPerTalkSecond: the same path run inline on one thread, without polling: the
//   work that one second of talk in both directions takes.
#include "client/audio/codecs/audio_codec.h"
#include "client/audio/pipeline/pcm_block_queue.h"
#include "client/media/audio_receiver.h"
#include "client/media/data_recv_thread.h"
#include "client/media/data_send_thread.h"
#include "client/media/media_socket.h"
#include "wire/media_header.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

using namespace orv;
using Bytes = std::vector<std::uint8_t>;

constexpr int kBlocksPerSecond = 33; // 33 x 30 ms

std::vector<Bytes> Speech() {
    std::vector<Bytes> blocks;
    for (int k = 0; k < kBlocksPerSecond; ++k) {
        Bytes pcm(kPcmBlockBytes);
        for (std::size_t i = 0; i < kPcmBlockSamples; ++i) {
            const double t = static_cast<double>(k * 240 + static_cast<int>(i)) / 8000.0;
            const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 3 * t);
            const auto s = static_cast<std::int16_t>(envelope * (7000 * std::sin(2 * M_PI * 180 * t) +
                                                                 2500 * std::sin(2 * M_PI * 1100 * t)));
            pcm[2 * i] = static_cast<std::uint8_t>(s & 0xFF);
            pcm[2 * i + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
        }
        blocks.push_back(pcm);
    }
    return blocks;
}

std::uint16_t Bind(MediaSocket& socket) {
    std::string address;
    std::uint16_t port = 0;
    socket.Create(0, SOCK_DGRAM, "127.0.0.1");
    socket.LocalAddress(address, port);
    return port;
}

// One end of the call: its socket, its queues, its sender and receive thread.
struct CallEnd {
    MediaSocket socket;
    std::uint16_t port = Bind(socket);
    PcmBlockQueue capture, playback;
    CDataSendThread sender{CDataSendThread::kModeAudio, &socket, port};
    CDataRecvThread receiver{CDataRecvThread::kModeAudio, &socket, &sender};

    void Open(int codec, std::uint16_t peerPort) {
        sender.SetCodecs(codec, 0);
        sender.SetDestination(htonl(INADDR_LOOPBACK), peerPort);
        sender.SetSourceQueue(&capture);
        receiver.SetCodecs(codec, 0, false);
        receiver.SetOutputQueue(&playback);
    }
};

void RunCall(benchmark::State& state, bool talk) {
    const int codec = static_cast<int>(state.range(0));
    const auto speech = Speech();
    CallEnd a, b;
    a.Open(codec, b.port);
    b.Open(codec, a.port);
    std::uint64_t played = 0;
    for (auto _ : state) {
        auto next = std::chrono::steady_clock::now();
        for (const Bytes& block : speech) {
            if (talk) {
                a.capture.Put(block.data());
                b.capture.Put(block.data());
            }
            next += std::chrono::milliseconds(30);
            std::this_thread::sleep_until(next);
            while (a.playback.Get() != nullptr) ++played;
            while (b.playback.Get() != nullptr) ++played;
        }
    }
    if (talk && played < static_cast<std::uint64_t>(state.iterations()) * kBlocksPerSecond) {
        state.SkipWithError("speech was lost on the way");
    }
    state.counters["blocks_played"] = static_cast<double>(played);
}

void BM_CallPerTalkSecond(benchmark::State& state) { RunCall(state, true); }
void BM_IdleCallPerSecond(benchmark::State& state) { RunCall(state, false); }

void BM_PathWorkPerTalkSecond(benchmark::State& state) {
    const int codec = static_cast<int>(state.range(0));
    const auto speech = Speech();
    MediaSocket socketA, socketB;
    const std::uint16_t portB = Bind(socketB);
    Bind(socketA);
    auto encoder = CreateAudioCodec(codec);
    PcmBlockQueue playback;
    AudioReceiver receiver;
    receiver.SetCodec(codec);
    receiver.SetOutputQueue(&playback);
    Bytes packet(kMediaHeaderBytes + kPcmBlockBytes), incoming(kMaxDatagramBytes);
    std::uint32_t sequence = 0;
    std::string from;
    std::uint16_t fromPort = 0;
    for (auto _ : state) {
        for (int direction = 0; direction < 2; ++direction) {
            for (const Bytes& block : speech) {
                std::uint32_t pcmLength = kPcmBlockBytes, coded = kPcmBlockBytes;
                encoder->Encode(block.data(), pcmLength, packet.data() + kMediaHeaderBytes, coded);
                MediaHeader header;
                header.payloadType = encoder->PayloadType();
                header.sequence = static_cast<std::uint16_t>(sequence++);
                header.ssrc = 1;
                PackMediaHeader(header, packet.data());
                socketA.SendTo(packet.data(), kMediaHeaderBytes + coded, portB, "127.0.0.1");
                const long n = socketB.ReceiveFrom(incoming.data(), incoming.size(), from, fromPort);
                receiver.HandleDatagram(incoming.data(), static_cast<std::size_t>(n), from, fromPort);
                benchmark::DoNotOptimize(playback.Get());
            }
        }
    }
}

// Codec 1 is G.711 A-law, 4 is G.729. Each iteration is one second of talk.
BENCHMARK(BM_CallPerTalkSecond)->Arg(1)->Arg(4)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleCallPerSecond)->Arg(1)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PathWorkPerTalkSecond)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace
BENCHMARK_MAIN();
