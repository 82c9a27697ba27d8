// The socket-free parts of the link libraries: scrambling, the datagram prefix, the stream
// frame and its reassembly, and the send queue driven over real socket pairs.
#include "linkcommon/send_queue.h"
#include "linkcommon/word_scramble.h"
#include "tcplink/stream_frame.h"
#include "tcplink/stream_reassembler.h"
#include "udplink/datagram_codec.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <numeric>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace orv {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Sequence(std::size_t size, std::uint8_t first = 1) {
    Bytes bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

TEST(WordScramble, ChainsWholeWordsAndLeavesTheTailAlone) {
    Bytes data = Sequence(8);
    ScrambleWords(data.data(), data.size(), kDatagramScrambleKey);
    // First word XOR the key; the second XOR (first scrambled word mod 8) = 6.
    EXPECT_EQ(data, (Bytes{0x36, 0x9C, 0x1E, 0x5F, 0x03, 0x06, 0x07, 0x08}));

    Bytes seven = Sequence(7);
    ScrambleWords(seven.data(), seven.size(), kDatagramScrambleKey);
    EXPECT_EQ(seven, (Bytes{0x36, 0x9C, 0x1E, 0x5F, 0x05, 0x06, 0x07}));

    Bytes three = Sequence(3);
    ScrambleWords(three.data(), three.size(), kStreamScrambleKey);
    EXPECT_EQ(three, Sequence(3));
}

TEST(WordScramble, UnscrambleInvertsForBothKeysAndAllTails) {
    std::mt19937 random(7);
    for (std::uint32_t key : {kDatagramScrambleKey, kStreamScrambleKey}) {
        for (std::size_t size : {4u, 5u, 6u, 7u, 64u, 1023u, 16384u}) {
            Bytes original(size);
            for (auto& b : original) b = static_cast<std::uint8_t>(random());
            Bytes data = original;
            ScrambleWords(data.data(), data.size(), key);
            EXPECT_NE(data, original) << size;
            UnscrambleWords(data.data(), data.size(), key);
            EXPECT_EQ(data, original) << size;
        }
    }
}

TEST(DatagramCodec, PrefixAndScramblingFollowLinkAndSendFlags) {
    const Bytes payload = Sequence(7);
    EXPECT_EQ(EncodeDatagram(0, 2, payload.data(), payload.size()), payload);

    Bytes plain = EncodeDatagram(1, 2, payload.data(), payload.size());
    ASSERT_EQ(plain.size(), 8u);
    EXPECT_EQ(plain[0], kPrefixPlain);
    EXPECT_EQ(Bytes(plain.begin() + 1, plain.end()), payload);

    Bytes scrambled = EncodeDatagram(2, 2, payload.data(), payload.size());
    EXPECT_EQ(scrambled[0], kPrefixScrambled);
    EXPECT_NE(Bytes(scrambled.begin() + 1, scrambled.begin() + 5), Bytes(payload.begin(), payload.begin() + 4));
    EXPECT_EQ(Bytes(scrambled.begin() + 5, scrambled.end()), Bytes(payload.begin() + 4, payload.end()));

    const Bytes three = Sequence(3);
    EXPECT_EQ(EncodeDatagram(2, 2, three.data(), three.size()), (Bytes{kPrefixScrambled, 1, 2, 3}));

    DatagramPayload out;
    ASSERT_TRUE(DecodeDatagram(2, scrambled.data(), scrambled.size(), &out));
    EXPECT_EQ(Bytes(out.data, out.data + out.size), payload);
}

TEST(DatagramCodec, PrefixOnlyGivesEmptyPayloadAndEmptyDatagramIsRefused) {
    Bytes prefixOnly{kPrefixScrambled};
    DatagramPayload out;
    ASSERT_TRUE(DecodeDatagram(2, prefixOnly.data(), prefixOnly.size(), &out));
    EXPECT_EQ(out.size, 0u);

    Bytes empty(1);
    EXPECT_FALSE(DecodeDatagram(2, empty.data(), 0, &out));
    ASSERT_TRUE(DecodeDatagram(0, empty.data(), 0, &out));
    EXPECT_EQ(out.size, 0u);
}

TEST(StreamFrame, HeaderCarriesMarkerFlagAndLength) {
    const Bytes payload = Sequence(300);
    Bytes frame = BuildFrame(payload.data(), 300, kTcpSendMark);
    ASSERT_EQ(frame.size(), 308u);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 8), (Bytes{0xFD, 0xFD, 0xFD, 1, 0x2C, 0x01, 0, 0}));
    EXPECT_EQ(Bytes(frame.begin() + 8, frame.end()), payload);
    EXPECT_EQ(BuildFrame(payload.data(), 300, kTcpSendMark | kTcpSendScramble)[3], kFrameFlagScrambled);
    EXPECT_EQ(BuildFrame(payload.data(), 300, 0)[3], kFrameFlagPlain);

    const Bytes three = Sequence(3);
    Bytes shortFrame = BuildFrame(three.data(), 3, kTcpSendScramble);
    EXPECT_EQ(shortFrame[3], kFrameFlagScrambled);
    EXPECT_EQ(Bytes(shortFrame.begin() + 8, shortFrame.end()), three);
}

// Feeds bytes in pieces of the given sizes (cycled) and collects the completed messages.
std::vector<Bytes> Reassemble(StreamReassembler& reassembler, const Bytes& stream, std::vector<std::size_t> pieces) {
    std::vector<Bytes> messages;
    std::size_t at = 0;
    for (std::size_t i = 0; at < stream.size(); ++i) {
        const std::size_t end = std::min(stream.size(), at + pieces[i % pieces.size()]);
        while (at < end) {
            const StreamReassembler::Step step = reassembler.Feed(stream.data() + at, end - at);
            at += step.consumed;
            if (step.complete) messages.push_back(reassembler.TakeMessage());
        }
    }
    return messages;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(StreamReassembler, ScrambledMessageWithHeaderSplitOverReads) {
    const Bytes payload = Sequence(100);
    const Bytes frame = BuildFrame(payload.data(), 100, kTcpSendScramble);
    for (std::size_t split = 1; split < 8; ++split) {
        StreamReassembler reassembler;
        auto messages = Reassemble(reassembler, frame, {split, 1000});
        ASSERT_EQ(messages.size(), 1u) << split;
        EXPECT_EQ(messages[0], payload);
        EXPECT_EQ(reassembler.CompletedFlag(), kFrameFlagScrambled);
    }
}

TEST(StreamReassembler, TwoMessagesInOneReadCompleteInOrder) {
    const Bytes a = Sequence(20, 1), b = Sequence(30, 100);
    const Bytes stream = Concat({BuildFrame(a.data(), 20, 0), BuildFrame(b.data(), 30, kTcpSendScramble)});
    StreamReassembler reassembler;
    StreamReassembler::Step first = reassembler.Feed(stream.data(), stream.size());
    ASSERT_TRUE(first.complete);
    EXPECT_EQ(first.consumed, 28u);
    EXPECT_EQ(reassembler.TakeMessage(), a);
    StreamReassembler::Step second = reassembler.Feed(stream.data() + 28, stream.size() - 28);
    ASSERT_TRUE(second.complete);
    EXPECT_EQ(reassembler.TakeMessage(), b);
}

TEST(StreamReassembler, GarbageBeforeMarkerIsSkippedWhateverTheSplit) {
    const Bytes payload = Sequence(40);
    const Bytes garbage{0x11, 0xFD, 0xFD, 0x22, 0xFD, 0x33, 0x44};
    const Bytes stream = Concat({garbage, BuildFrame(payload.data(), 40, 0), garbage});
    for (std::size_t split : {1u, 2u, 3u, 5u, 7u, 9u, 100u}) {
        StreamReassembler reassembler;
        auto messages = Reassemble(reassembler, stream, {split});
        ASSERT_EQ(messages.size(), 1u) << split;
        EXPECT_EQ(messages[0], payload);
    }
}

TEST(StreamReassembler, LengthAboveBoundIsFramingErrorAndNextFrameStillArrives) {
    const Bytes payload = Sequence(10);
    Bytes bad{0xFD, 0xFD, 0xFD, 0, 0x01, 0x01, 0, 0}; // announces 257 bytes
    const Bytes stream = Concat({bad, Sequence(5), BuildFrame(payload.data(), 10, 0)});
    StreamReassembler reassembler(256);
    auto messages = Reassemble(reassembler, stream, {3});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], payload);
    EXPECT_EQ(reassembler.FramingErrors(), 1u);

    // The default bound lets a several-MB update answer through.
    const Bytes big(6 * 1024 * 1024, 0x5A);
    StreamReassembler large;
    auto bigMessages = Reassemble(large, BuildFrame(big.data(), static_cast<std::uint32_t>(big.size()), 0), {10240});
    ASSERT_EQ(bigMessages.size(), 1u);
    EXPECT_EQ(bigMessages[0], big);
}

TEST(StreamReassembler, EmptyMessageAndProgressOfAPartialOne) {
    StreamReassembler reassembler;
    const Bytes empty = BuildFrame(nullptr, 0, 0);
    StreamReassembler::Step step = reassembler.Feed(empty.data(), empty.size());
    EXPECT_TRUE(step.complete);
    EXPECT_TRUE(reassembler.TakeMessage().empty());

    const Bytes payload = Sequence(50);
    const Bytes frame = BuildFrame(payload.data(), 50, 0);
    EXPECT_EQ(reassembler.Buffer(), nullptr);
    step = reassembler.Feed(frame.data(), 20);
    EXPECT_FALSE(step.complete);
    ASSERT_NE(reassembler.Buffer(), nullptr);
    EXPECT_EQ(reassembler.ExpectedLength(), 50u);
    EXPECT_EQ(reassembler.Received(), 12u);
    EXPECT_EQ(Bytes(reassembler.Buffer(), reassembler.Buffer() + 12), Bytes(payload.begin(), payload.begin() + 12));
}

SendAttempt SendOnce(int fd, const std::uint8_t* piece, std::size_t size, std::vector<std::size_t>* sizes = nullptr) {
    const ssize_t sent = ::send(fd, piece, size, MSG_NOSIGNAL);
    if (sent >= 0) {
        if (sizes != nullptr) sizes->push_back(static_cast<std::size_t>(sent));
        return {SendOutcome::Sent, static_cast<std::size_t>(sent)};
    }
    return {errno == EAGAIN ? SendOutcome::WouldBlock : SendOutcome::Failed, 0};
}

bool WaitWritable(int fd) {
    pollfd p{fd, POLLOUT, 0};
    return ::poll(&p, 1, 5000) == 1 && (p.revents & POLLOUT) != 0;
}

struct SocketPair {
    explicit SocketPair(int type) { EXPECT_EQ(::socketpair(AF_UNIX, type | SOCK_NONBLOCK, 0, fds), 0); }
    ~SocketPair() {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    int fds[2] = {-1, -1};
};

TEST(SendQueue, DrainSendsWhatTheSocketTakesAndTheMarkBoundsTheBacklog) {
    SocketPair pair(SOCK_DGRAM); // a local datagram socket really blocks until its peer reads
    const int smallBuffer = 4096;
    ASSERT_EQ(::setsockopt(pair.fds[0], SOL_SOCKET, SO_SNDBUF, &smallBuffer, sizeof smallBuffer), 0);
    constexpr std::size_t kMark = 640;
    SendQueue queue(SIZE_MAX, kMark);
    const Transmit transmit = [&](const OutgoingRecord&, const std::uint8_t* piece, std::size_t size) {
        return SendOnce(pair.fds[0], piece, size);
    };
    auto record = [](std::uint8_t number) { return OutgoingRecord{Bytes(64, number)}; };

    // Records leave at once until the socket blocks; then they wait, up to the mark.
    std::uint8_t next = 0;
    Admission admission = Admission::SendNow;
    while (admission == Admission::SendNow) {
        ASSERT_LT(next, 200);
        admission = queue.Enqueue(record(next++));
        if (admission == Admission::SendNow) {
            const bool blocked = queue.Drain(true, transmit);
            EXPECT_EQ(blocked, queue.Sending());
        }
    }
    ASSERT_TRUE(queue.Sending());
    while (admission == Admission::Queued) {
        ASSERT_LT(next, 240);
        admission = queue.Enqueue(record(next++));
    }
    ASSERT_EQ(admission, Admission::Full);
    const std::uint8_t accepted = static_cast<std::uint8_t>(next - 1); // the refused one is not kept
    EXPECT_GT(queue.BytesWaiting(), kMark);
    EXPECT_LE(queue.BytesWaiting(), kMark + 64);

    // Each writable notification sends as much as the socket takes, in order, until empty.
    std::uint8_t buffer[64];
    std::uint8_t expected = 0;
    for (int round = 0; queue.Size() > 0; ++round) {
        ASSERT_LT(round, 100);
        while (::recv(pair.fds[1], buffer, sizeof buffer, 0) == 64) EXPECT_EQ(buffer[0], expected++);
        ASSERT_TRUE(WaitWritable(pair.fds[0]));
        const std::size_t before = queue.Size();
        const bool blocked = queue.Drain(true, transmit);
        EXPECT_EQ(blocked, queue.Size() > 0);
        EXPECT_TRUE(queue.Size() == 0 || before - queue.Size() > 1) << "more than one datagram per notification";
    }
    while (::recv(pair.fds[1], buffer, sizeof buffer, 0) == 64) EXPECT_EQ(buffer[0], expected++);
    EXPECT_EQ(expected, accepted);
    EXPECT_FALSE(queue.Sending());
    EXPECT_EQ(queue.BytesWaiting(), 0u);
    EXPECT_EQ(queue.Enqueue(record(0)), Admission::SendNow) << "a drained queue takes records again";
}

TEST(SendQueue, LongMessageLeavesInBoundedPiecesAndNothingWhileNotReady) {
    SocketPair pair(SOCK_STREAM);
    SendQueue queue(kStreamSendPiece, kStreamSendHighWater);
    std::vector<std::size_t> sizes;
    const Transmit transmit = [&](const OutgoingRecord&, const std::uint8_t* piece, std::size_t size) {
        return SendOnce(pair.fds[0], piece, size, &sizes);
    };
    const Bytes payload = Sequence(3 * kStreamSendPiece);
    ASSERT_EQ(queue.Enqueue(OutgoingRecord{BuildFrame(payload.data(), 3 * kStreamSendPiece, kTcpSendScramble)}),
              Admission::SendNow);
    EXPECT_FALSE(queue.Drain(false, transmit));
    EXPECT_TRUE(sizes.empty());

    StreamReassembler reassembler;
    Bytes chunk(kStreamSendPiece);
    bool complete = false;
    for (int round = 0; !complete; ++round) {
        ASSERT_LT(round, 1000);
        queue.Drain(true, transmit);
        const ssize_t got = ::recv(pair.fds[1], chunk.data(), chunk.size(), MSG_DONTWAIT);
        for (ssize_t at = 0; got > 0 && at < got && !complete;) {
            const auto step = reassembler.Feed(chunk.data() + at, static_cast<std::size_t>(got - at));
            at += static_cast<ssize_t>(step.consumed);
            complete = step.complete;
        }
    }
    EXPECT_EQ(reassembler.TakeMessage(), payload);
    EXPECT_EQ(queue.Size(), 0u);
    for (std::size_t size : sizes) EXPECT_LE(size, kStreamSendPiece);
}

} // namespace
} // namespace orv
