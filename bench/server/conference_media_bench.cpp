// The conference media path's cost per datagram with many rooms open: a member's video
// datagram looked up by its sender's endpoint and forwarded to the members that asked for
// it (one, or nobody). The send function only counts bytes, so what is measured is the
// server's own work: finding the seat, checking the source, copying for the send.
#include "server/conference_media.h"
#include "server/server_log.h"
#include "wire/media_header.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace orv;

constexpr std::size_t kVideoBytes = 1000;

struct Rooms {
    ConfRoomTable table;
    std::uint64_t sent = 0;
    ConferenceMedia media{table, [this](Medium, const std::vector<std::uint8_t>& d,
                                        const MediaAddress&) { sent += d.size(); }};
    std::vector<std::uint32_t> senders; // seat 1's endpoint of every room

    // rooms rooms of four connected members whose media addresses are learned; in each,
    // seat 0 asked for seat 1's video when watched.
    Rooms(int rooms, bool watched) {
        std::uint32_t endpoint = 1000;
        for (int r = 0; r < rooms; ++r) {
            ConfRoom& room = table.Create(0);
            for (int seat = 0; seat < kConfSeats; ++seat) {
                table.TakeSeat(room, seat, std::to_string(8000 + seat), ++endpoint, 0);
                room.seats[seat].status = kSeatConnected;
                std::uint8_t probe[kMediaHeaderBytes];
                PackProbe(endpoint, probe);
                const MediaAddress from{0x0A000000u + endpoint, 7000};
                media.OnDatagram(Medium::Audio, probe, sizeof probe, from, 0);
                media.OnDatagram(Medium::Video, probe, sizeof probe, from, 0);
            }
            room.seats[1].videoTo[0] = watched;
            senders.push_back(room.seats[1].endpoint);
        }
    }
};

void VideoDatagram(benchmark::State& state) {
    SetServerLogEnabled(false);
    Rooms rooms(static_cast<int>(state.range(0)), state.range(1) != 0);
    std::vector<std::uint8_t> datagram(kVideoBytes, 0x5A);
    std::size_t next = 0;
    for (auto _ : state) {
        const std::uint32_t sender = rooms.senders[next];
        next = next + 1 == rooms.senders.size() ? 0 : next + 1;
        MediaHeader h;
        h.payloadType = 34;
        h.ssrc = sender;
        PackMediaHeader(h, datagram.data());
        rooms.media.OnDatagram(Medium::Video, datagram.data(), datagram.size(),
                               MediaAddress{0x0A000000u + sender, 7000}, 0);
    }
    benchmark::DoNotOptimize(rooms.sent);
    state.counters["forwarded"] = static_cast<double>(rooms.media.Stats().videoForwarded);
}
BENCHMARK(VideoDatagram)->ArgsProduct({{1, 100, 1000}, {0, 1}})->ArgNames({"rooms", "watched"});

} // namespace

BENCHMARK_MAIN();
