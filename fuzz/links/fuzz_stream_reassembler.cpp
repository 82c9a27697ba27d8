// Feeds the stream reassembler arbitrary bytes in arbitrary splits and checks that it delivers
// exactly the messages that a plain one-pass framing of the whole input finds.
//
// Input: byte 0 picks the length bound (0 = the library's bound, else 16 * value); bytes 1..8
// are the split sizes (cycled, 1..256); the rest is the stream.
#include "linkcommon/word_scramble.h"
#include "tcplink/stream_reassembler.h"

#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Message {
    std::uint8_t flag;
    Bytes payload;
    bool operator==(const Message&) const = default;
};

std::vector<Message> ReferenceFraming(const std::uint8_t* data, std::size_t size, std::uint32_t bound) {
    std::vector<Message> messages;
    std::size_t at = 0;
    int run = 0;
    while (at < size) {
        if (data[at++] != 0xFD) {
            run = 0;
            continue;
        }
        if (++run < 3) continue;
        run = 0;
        if (size - at < 5) break;
        const std::uint8_t flag = data[at];
        const std::uint32_t length = data[at + 1] | (data[at + 2] << 8) | (data[at + 3] << 16) |
                                     (static_cast<std::uint32_t>(data[at + 4]) << 24);
        at += 5;
        if (length > bound) continue;
        if (size - at < length) break;
        Message message{flag, Bytes(data + at, data + at + length)};
        if (flag == 2) orv::UnscrambleWords(message.payload.data(), length, orv::kStreamScrambleKey);
        messages.push_back(std::move(message));
        at += length;
    }
    return messages;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) return 0;
    const std::uint32_t bound = data[0] == 0 ? orv::kMaxStreamMessage : 16u * data[0];
    const std::uint8_t* splits = data + 1;
    const std::uint8_t* stream = data + 9;
    const std::size_t streamSize = size - 9;

    orv::StreamReassembler reassembler(bound);
    std::vector<Message> delivered;
    std::size_t at = 0;
    for (std::size_t piece = 0; at < streamSize; ++piece) {
        const std::size_t end = std::min(streamSize, at + 1 + splits[piece % 8]);
        while (at < end) {
            const orv::StreamReassembler::Step step = reassembler.Feed(stream + at, end - at);
            if (step.consumed == 0 && !step.complete) std::abort(); // no progress
            at += step.consumed;
            if (step.complete) delivered.push_back({reassembler.CompletedFlag(), reassembler.TakeMessage()});
            if (reassembler.Buffer() != nullptr && reassembler.Received() > reassembler.ExpectedLength()) std::abort();
        }
    }
    if (delivered != ReferenceFraming(stream, streamSize, bound)) std::abort();
    return 0;
}
