#include "client/media/bitmap_info_header.h"
#include "client/media/video_fragmenter.h"
#include "client/media/video_frame_slot.h"
#include "client/media/video_reassembly.h"
#include "wire/media_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace orv {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A frame of `dataLength` bytes of compressed data whose bytes are never 0, so zero-filled
// holes stand out.
Bytes MakeFrame(std::size_t dataLength, bool keyFrame, std::uint8_t seed = 1) {
    BitmapInfoHeader format;
    format.biWidth = 176;
    format.biHeight = 144;
    format.biBitCount = 24;
    format.biCompression = 0x3234524F;
    Bytes data(dataLength);
    for (std::size_t i = 0; i < dataLength; ++i) data[i] = static_cast<std::uint8_t>(1 + (seed + i) % 250);
    Bytes frame;
    BuildVideoFrame(format, nullptr, data.data(), data.size(), keyFrame, frame);
    return frame;
}

std::vector<Bytes> Fragment(const Bytes& frame, std::uint32_t timestamp, std::uint32_t& sequence,
                            std::size_t limit = 512) {
    std::vector<Bytes> packets;
    VideoFragmenter fragmenter(limit);
    fragmenter.Send(frame.data(), frame.size(), timestamp, 7, sequence,
                    [&](const std::uint8_t* p, std::size_t n) { packets.emplace_back(p, p + n); });
    return packets;
}

// Feeds packets the way the video receiver does; returns the frames delivered.
struct Receiver {
    VideoReassembly reassembly;
    std::vector<Bytes> delivered;

    explicit Receiver(bool strict) : reassembly(strict) {}

    void Feed(const Bytes& packet) {
        MediaHeader header;
        std::size_t offset = 0;
        ASSERT_TRUE(UnpackMediaHeader(packet.data(), packet.size(), header));
        ASSERT_TRUE(FindMediaPayload(packet.data(), packet.size(), offset));
        Bytes frame;
        if (reassembly.Add(header.timestamp, header.sequence, packet.data() + offset,
                           packet.size() - offset, frame)) {
            EXPECT_TRUE(IsWellFormedVideoFrame(frame.data(), frame.size()));
            delivered.push_back(frame);
        }
    }
    void Feed(const std::vector<Bytes>& packets) {
        for (const Bytes& p : packets) Feed(p);
    }
};

TEST(VideoFragmenter, ExactMultipleOfTheLimitSendsNoEmptyLastFragment) {
    const Bytes frame = MakeFrame(3 * 512 - kBitmapInfoHeaderBytes, true);
    ASSERT_EQ(frame.size(), 3u * 512);
    std::uint32_t sequence = 0xFFFE;
    const auto packets = Fragment(frame, 1000, sequence);
    ASSERT_EQ(packets.size(), 3u);
    for (const Bytes& p : packets) EXPECT_EQ(p.size(), 12u + 512);
    EXPECT_EQ(sequence, 0x10001u);

    MediaHeader h;
    ASSERT_TRUE(UnpackMediaHeader(packets[2].data(), packets[2].size(), h));
    EXPECT_EQ(h.sequence, 0x0000); // low 16 bits of the counter
    EXPECT_EQ(h.timestamp, 1000u);
    EXPECT_EQ(h.payloadType, 0);
    EXPECT_EQ(h.versionByte, 0x80);

    const auto shorter = Fragment(MakeFrame(3 * 512 - 39, false), 1, sequence);
    ASSERT_EQ(shorter.size(), 4u);
    EXPECT_EQ(shorter.back().size(), 12u + 1);
    EXPECT_EQ(VideoFragmenter(0).SizeLimit(), 512u);
}

TEST(VideoFragmenter, KeyFrameIsMarkedInTheCopySent) {
    BitmapInfoHeader header;
    ASSERT_TRUE(ReadBitmapInfoHeader(MakeFrame(10, true).data(), 50, header));
    EXPECT_EQ(header.biClrImportant, 1u);
    EXPECT_EQ(header.biSizeImage, 10u);
    ASSERT_TRUE(ReadBitmapInfoHeader(MakeFrame(10, false).data(), 50, header));
    EXPECT_EQ(header.biClrImportant, 0u);
}

TEST(VideoReassembly, FrameArrivesWhenTheNextFrameStartsAndWrapsSequenceAndTick) {
    Receiver rx(true);
    std::uint32_t sequence = 0xFFFD; // the frame's sequence numbers wrap through 0
    const Bytes first = MakeFrame(2000, true, 3);
    const Bytes second = MakeFrame(700, false, 9);
    rx.Feed(Fragment(first, 0xFFFFFFF0u, sequence));
    EXPECT_TRUE(rx.delivered.empty());
    const auto next = Fragment(second, 0x00000010u, sequence); // the tick count wrapped
    rx.Feed(next[0]);
    ASSERT_EQ(rx.delivered.size(), 1u);
    EXPECT_EQ(rx.delivered[0], first);
    rx.Feed(next[1]);
    rx.Feed(Fragment(MakeFrame(5, false), 0x20, sequence)[0]);
    ASSERT_EQ(rx.delivered.size(), 2u);
    EXPECT_EQ(rx.delivered[1], second);
}

TEST(VideoReassembly, OlderTimestampIsDroppedAndSameTimestampAppends) {
    Receiver rx(true);
    std::uint32_t sequence = 0;
    const auto a = Fragment(MakeFrame(900, true), 500, sequence);
    const auto stale = Fragment(MakeFrame(900, false), 400, sequence);
    rx.Feed(a[0]);
    rx.Feed(stale[0]); // older: dropped, the frame at 500 stays intact
    rx.Feed(a[1]);
    rx.Feed(Fragment(MakeFrame(5, false), 600, sequence));
    ASSERT_EQ(rx.delivered.size(), 1u);
    EXPECT_EQ(rx.delivered[0].size(), 940u);
}

TEST(VideoReassembly, DuplicateSequenceNumberDropsTheWholeFrame) {
    for (bool strict : {true, false}) {
        Receiver rx(strict);
        std::uint32_t sequence = 10;
        auto packets = Fragment(MakeFrame(1500, true), 100, sequence);
        rx.Feed(packets[0]);
        rx.Feed(packets[1]);
        rx.Feed(packets[1]);
        rx.Feed(packets[2]);
        rx.Feed(Fragment(MakeFrame(5, true), 200, sequence));
        EXPECT_TRUE(rx.delivered.empty()) << strict;
        // A duplicate is not a loss: the slot does not wait for a key frame.
        EXPECT_FALSE(rx.reassembly.WaitingForKeyFrame()) << strict;
    }
}

TEST(VideoReassembly, LenientModeFillsUpToFiveMissingFragmentsWithZeros) {
    Receiver rx(false);
    std::uint32_t sequence = 0;
    const Bytes frame = MakeFrame(8 * 512, false);
    auto packets = Fragment(frame, 100, sequence);
    ASSERT_EQ(packets.size(), 9u);
    for (std::size_t i : {0, 1, 7, 8}) rx.Feed(packets[i]); // 2..6 lost: a gap of 5
    std::uint32_t other = 1000;
    rx.Feed(Fragment(MakeFrame(5, false), 200, other)[0]);
    ASSERT_EQ(rx.delivered.size(), 1u);
    Bytes expected = frame;
    std::fill(expected.begin() + 2 * 512, expected.begin() + 7 * 512, 0);
    EXPECT_EQ(rx.delivered[0], expected);

    // The last fragment lost: the frame is padded with zeros up to its described length.
    const Bytes cut = MakeFrame(1000, false);
    auto cutPackets = Fragment(cut, 400, other);
    rx.Feed(cutPackets[0]);
    rx.Feed(Fragment(MakeFrame(5, false), 500, other)[0]);
    ASSERT_EQ(rx.delivered.size(), 3u); // the frames at 100, 200 and 400
    expected = cut;
    std::fill(expected.begin() + 512, expected.end(), 0);
    EXPECT_EQ(rx.delivered[2], expected);
}

TEST(VideoReassembly, GapOfSixDropsEvenInLenientMode) {
    Receiver rx(false);
    std::uint32_t sequence = 0;
    auto packets = Fragment(MakeFrame(8 * 512, false), 100, sequence);
    for (std::size_t i : {0, 7, 8}) rx.Feed(packets[i]);
    rx.Feed(Fragment(MakeFrame(5, false), 200, sequence)[0]);
    EXPECT_TRUE(rx.delivered.empty());
}

TEST(VideoReassembly, StrictModeLostKeyFragmentSuppressesTheSlotUntilTheNextKeyFrame) {
    Receiver rx(true);
    std::uint32_t sequence = 0;
    std::uint32_t tick = 100;
    auto key = Fragment(MakeFrame(1500, true), tick += 40, sequence);
    rx.Feed(key[0]);
    rx.Feed(key[2]); // fragment 1 lost
    const Bytes delta = MakeFrame(300, false, 5);
    rx.Feed(Fragment(delta, tick += 40, sequence)); // completes (and loses) the key frame
    EXPECT_TRUE(rx.reassembly.WaitingForKeyFrame());
    for (int i = 0; i < 3; ++i) rx.Feed(Fragment(delta, tick += 40, sequence));
    const Bytes goodKey = MakeFrame(1200, true, 8);
    rx.Feed(Fragment(goodKey, tick += 40, sequence));
    EXPECT_TRUE(rx.delivered.empty()); // every complete delta frame was held back
    rx.Feed(Fragment(delta, tick += 40, sequence));
    ASSERT_EQ(rx.delivered.size(), 1u);
    EXPECT_EQ(rx.delivered[0], goodKey);
    EXPECT_FALSE(rx.reassembly.WaitingForKeyFrame());
    rx.Feed(Fragment(delta, tick += 40, sequence));
    ASSERT_EQ(rx.delivered.size(), 2u);
    EXPECT_EQ(rx.delivered[1], delta);
}

TEST(VideoReassembly, StrictModeShortKeyFrameAlsoWaitsButALostDeltaFrameDoesNot) {
    Receiver rx(true);
    std::uint32_t sequence = 0;
    auto key = Fragment(MakeFrame(1500, true), 10, sequence);
    rx.Feed(key[0]);
    rx.Feed(key[1]); // last fragment lost: shorter than described
    rx.Feed(Fragment(MakeFrame(5, false), 20, sequence)[0]);
    EXPECT_TRUE(rx.reassembly.WaitingForKeyFrame());
    rx.reassembly.Clear();
    auto delta = Fragment(MakeFrame(1500, false), 30, sequence);
    rx.Feed(delta[0]);
    rx.Feed(delta[2]);
    rx.Feed(Fragment(MakeFrame(5, false), 40, sequence)[0]);
    EXPECT_FALSE(rx.reassembly.WaitingForKeyFrame());
    EXPECT_TRUE(rx.delivered.empty());
}

TEST(VideoReassembly, HostileHeadersAndOversizedFramesAreDropped) {
    std::uint32_t sequence = 0;
    std::uint32_t tick = 1;
    Receiver rx(false);
    // Described length above 65535.
    Bytes huge = MakeFrame(100, true);
    huge[22] = 0x01; // biSizeImage += 65536
    rx.Feed(Fragment(huge, ++tick, sequence));
    // Zero biSizeImage; first fragment shorter than a header.
    Bytes empty = MakeFrame(100, false);
    empty[20] = empty[21] = 0;
    rx.Feed(Fragment(empty, ++tick, sequence));
    rx.Feed(Fragment(MakeFrame(100, false), ++tick, sequence, 30));
    // A header describing 140 bytes followed by far more data than that.
    Bytes longer = MakeFrame(100, true);
    longer.resize(70000, 0x55);
    rx.Feed(Fragment(longer, ++tick, sequence, 1400));
    rx.Feed(Fragment(MakeFrame(5, false), ++tick, sequence));
    EXPECT_TRUE(rx.delivered.empty());
    EXPECT_TRUE(rx.reassembly.WaitingForKeyFrame()); // the over-long key frame was lost
    EXPECT_LE(rx.reassembly.FragmentCount(), 1u);
}

TEST(VideoReassembly, TimestampFarAheadStartsANewTimelineAndLaterFramesStillShow) {
    Receiver rx(true);
    std::uint32_t sequence = 0;
    const Bytes key = MakeFrame(600, true, 1);
    rx.Feed(Fragment(key, 1000, sequence));
    // One datagram about 2^31 ahead of the stream, a frame of its own.
    rx.Feed(Fragment(MakeFrame(30, false, 2), 1000 + 0x7FFFFF00u, sequence));
    ASSERT_EQ(rx.delivered.size(), 1u);
    EXPECT_EQ(rx.delivered[0], key);
    std::vector<Bytes> stream;
    for (std::uint32_t i = 1; i <= 3; ++i) {
        stream.push_back(MakeFrame(600, false, static_cast<std::uint8_t>(2 + i)));
        rx.Feed(Fragment(stream.back(), 1000 + 40 * i, sequence));
    }
    rx.Feed(Fragment(MakeFrame(600, false, 9), 1100, sequence)); // a little late: still dropped
    rx.Feed(Fragment(MakeFrame(5, false), 1160, sequence));
    ASSERT_EQ(rx.delivered.size(), 5u) << "the frames after the jump are not taken for old ones";
    EXPECT_EQ(std::vector<Bytes>(rx.delivered.end() - 3, rx.delivered.end()), stream);
}

TEST(VideoFrameSlot, StreamSelectionUsesOnlyAssignedSlots) {
    for (int i = 0; i < kVideoFrameSlotCount; ++i) GetVideoFrameSlot(i)->Free();
    EXPECT_EQ(SelectVideoSlot(false, 99), 0); // a call always draws into slot 0
    EXPECT_EQ(SelectVideoSlot(true, 0), -1);  // free slots carry SSRC 0 but serve nobody
    GetVideoFrameSlot(2)->Assign(2, 77);
    GetVideoFrameSlot(1)->Assign(1, 77);
    EXPECT_EQ(SelectVideoSlot(true, 77), 1); // first match
    EXPECT_EQ(SelectVideoSlot(true, 78), -1);
    EXPECT_EQ(GetVideoFrameSlot(3), nullptr);
    EXPECT_EQ(GetVideoFrameSlot(-1), nullptr);
    VideoFrameSlot* slot = GetVideoFrameSlot(1);
    std::uint8_t* buffer = slot->TakeBuffer(1000);
    buffer[999] = 1;
    EXPECT_GE(slot->BufferSize(), 1000u);
    slot->Unlock();
    for (int i = 0; i < kVideoFrameSlotCount; ++i) GetVideoFrameSlot(i)->Free();
}

TEST(VideoReassembly, WellFormedFrameCheck) {
    const Bytes frame = MakeFrame(60, false);
    EXPECT_TRUE(IsWellFormedVideoFrame(frame.data(), frame.size()));
    EXPECT_FALSE(IsWellFormedVideoFrame(frame.data(), frame.size() - 1));
    EXPECT_FALSE(IsWellFormedVideoFrame(frame.data(), kBitmapInfoHeaderBytes));
}

} // namespace
} // namespace orv
