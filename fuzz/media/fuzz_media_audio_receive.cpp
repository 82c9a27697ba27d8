// Arbitrary datagrams into the audio receive path: header checks, sequence following (erasures,
// late packets), decoding with the codec the first byte selects, re-blocking into the playout
// buffer, and the speaker's turn after each datagram.
#include "client/audio/pipeline/playout_buffer.h"
#include "client/media/audio_receiver.h"
#include "fuzz/media/datagram_split.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orv;
    if (size < 1 || size > 8192) return 0; // keeps each run cheap
    static PlayoutBuffer queue;
    std::uint8_t played[480];
    // Opening a codec costs more than a run; each receiver keeps its codec (at most two
    // leftover 10 ms pieces carry over between runs).
    static AudioReceiver receivers[4];
    static bool opened = false;
    if (!opened) {
        for (int i = 0; i < 4; ++i) {
            receivers[i].SetCodec(1 + i);
            receivers[i].SetOutputQueue(&queue);
        }
        opened = true;
    }
    AudioReceiver& receiver = receivers[data[0] % 4];
    DatagramSplit split(data + 1, size - 1);
    const std::uint8_t* datagram = nullptr;
    std::size_t length = 0;
    while (split.Next(datagram, length)) {
        const std::size_t blocks = receiver.HandleDatagram(datagram, length, "127.0.0.1", 4000);
        if (blocks > length) __builtin_trap(); // no payload byte codes more than 20 ms
        queue.PullBlock(played);
    }
    queue.Clear();
    return 0;
}
