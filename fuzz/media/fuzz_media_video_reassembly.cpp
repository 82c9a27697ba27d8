// Arbitrary datagrams into the video receive path up to the assembled frame: stream
// selection, header checks and reassembly. Every delivered frame must match its header.
#include "client/media/video_frame_slot.h"
#include "client/media/video_reassembly.h"
#include "fuzz/media/datagram_split.h"
#include "wire/media_header.h"

#include <array>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orv;
    if (size < 1) return 0;
    const bool strict = (data[0] & 1) != 0;
    const bool multiStream = (data[0] & 2) != 0;
    for (int i = 0; i < kVideoFrameSlotCount; ++i) {
        GetVideoFrameSlot(i)->Assign(i, static_cast<std::uint32_t>(i + 1));
    }
    std::array<VideoReassembly, kVideoFrameSlotCount> lists{VideoReassembly(strict),
                                                            VideoReassembly(strict),
                                                            VideoReassembly(strict)};
    std::vector<std::uint8_t> frame;
    DatagramSplit split(data + 1, size - 1);
    const std::uint8_t* datagram = nullptr;
    std::size_t length = 0;
    while (split.Next(datagram, length)) {
        MediaHeader header;
        std::size_t offset = 0;
        if (IsProbe(datagram, length) || !UnpackMediaHeader(datagram, length, header) ||
            !FindMediaPayload(datagram, length, offset)) {
            continue;
        }
        const int slot = SelectVideoSlot(multiStream, header.ssrc);
        if (slot < 0) continue;
        if (lists[static_cast<std::size_t>(slot)].Add(header.timestamp, header.sequence,
                                                      datagram + offset, length - offset, frame) &&
            (!IsWellFormedVideoFrame(frame.data(), frame.size()) ||
             frame.size() > kMaxVideoFrameBytes)) {
            __builtin_trap();
        }
    }
    return 0;
}
