// The video sender and the video receive thread on real UDP sockets: fragmentation on the
// wire, reassembly into the picture slot, the window message, and the strict rules. A raw
// picture codec (the compressed form is the picture itself) stands in for the video codecs.
#include "client/media/call_video_capture.h"
#include "client/media/data_recv_thread.h"
#include "client/media/data_send_thread.h"
#include "client/media/video_codec_plug.h"
#include "client/media/video_frame_slot.h"
#include "platform/message.h"
#include "platform/tick.h"
#include "tests/media/media_test_support.h"
#include "wire/media_header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace orv {
namespace {

using test::Bytes;
using test::UdpPeer;
using test::WaitUntil;

constexpr std::uint32_t kRawFourCc = 0x50574152; // "RAWP"

class RawCompressor : public VideoCompressor {
public:
    bool Compress(const BitmapInfoHeader& raw, const std::uint8_t* bits, std::size_t length,
                  BitmapInfoHeader& format, std::vector<std::uint8_t>& data, bool& keyFrame) override {
        format = raw;
        format.biCompression = kRawFourCc;
        format.biSizeImage = static_cast<std::uint32_t>(length);
        data.assign(bits, bits + length);
        keyFrame = m_frames++ % 10 == 0;
        return true;
    }
    void SetRate(int, int) override {}

private:
    int m_frames = 0;
};

class RawDecompressor : public VideoDecompressor {
public:
    bool OutputFormat(const BitmapInfoHeader& compressed, BitmapInfoHeader& decoded) override {
        if (compressed.biCompression != kRawFourCc) return false;
        decoded = compressed;
        decoded.biCompression = 0;
        decoded.biClrImportant = 0;
        return true;
    }
    bool Decompress(const std::uint8_t* frame, std::size_t length, const BitmapInfoHeader& decoded,
                    std::uint8_t* out) override {
        const std::size_t offset = length - decoded.biSizeImage;
        std::memcpy(out, frame + offset, decoded.biSizeImage);
        return true;
    }
};

class VideoMedia : public ::testing::Test {
protected:
    void SetUp() override {
        SetVideoCodecFactory({[](int) { return std::make_unique<RawCompressor>(); },
                              [](int) { return std::make_unique<RawDecompressor>(); }});
    }
    void TearDown() override { SetVideoCodecFactory({}); }
};

BitmapInfoHeader RawFormat() {
    BitmapInfoHeader format;
    format.biWidth = 16;
    format.biHeight = 8;
    format.biBitCount = 24;
    format.biCompression = kRawFourCc;
    return format;
}

Bytes Picture(std::size_t bytes, int seed) {
    Bytes picture(bytes);
    for (std::size_t i = 0; i < bytes; ++i) picture[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return picture;
}

TEST_F(VideoMedia, ExactMultipleOfTheFragmentSizeSendsNoEmptyLastFragment) {
    UdpPeer local, remote;
    CDataSendThread sender(CDataSendThread::kModeVideo, &local.socket, 555, 100);
    sender.SetCodecs(0, 2);
    sender.SetDestination(UdpPeer::LoopbackNetworkOrder(), remote.port);

    const Bytes data = Picture(260, 1); // 40 + 260 = 3 x 100 bytes
    sender.SendVideoFrame(RawFormat(), nullptr, data.data(), data.size(), true, 1234);
    Bytes joined;
    for (int k = 0; k < 3; ++k) {
        Bytes packet;
        ASSERT_TRUE(remote.Receive(packet));
        ASSERT_EQ(packet.size(), kMediaHeaderBytes + 100);
        MediaHeader header;
        UnpackMediaHeader(packet.data(), packet.size(), header);
        EXPECT_EQ(header.versionByte, 0x80);
        EXPECT_EQ(header.payloadType, 0);
        EXPECT_EQ(header.sequence, k);
        EXPECT_EQ(header.timestamp, 1234u);
        EXPECT_EQ(header.ssrc, 555u);
        joined.insert(joined.end(), packet.begin() + kMediaHeaderBytes, packet.end());
    }
    BitmapInfoHeader sent;
    ASSERT_TRUE(ReadBitmapInfoHeader(joined.data(), joined.size(), sent));
    EXPECT_EQ(sent.biClrImportant, 1u); // key frame
    EXPECT_EQ(sent.biSizeImage, 260u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), joined.begin() + 40));

    // The next thing on the wire is the probe, not an empty fragment.
    EXPECT_EQ(sender.SendProbe(), 1);
    Bytes next;
    ASSERT_TRUE(remote.Receive(next));
    EXPECT_TRUE(IsProbe(next.data(), next.size()));

    // One byte more: a fourth, one-byte fragment.
    const Bytes longer = Picture(261, 2);
    sender.SendVideoFrame(RawFormat(), nullptr, longer.data(), longer.size(), false, 1300);
    for (int k = 0; k < 4; ++k) {
        ASSERT_TRUE(remote.Receive(next));
        EXPECT_EQ(next.size(), kMediaHeaderBytes + (k < 3 ? 100u : 1u));
        EXPECT_EQ(next[3], 3 + k); // sequence numbers go on
    }
}

TEST_F(VideoMedia, FragmentSpacingLeavesTheSenderFreeForTheProbe) {
    UdpPeer local, remote;
    CDataSendThread sender(CDataSendThread::kModeVideo, &local.socket, 555, 100);
    sender.SetCodecs(0, 2);
    sender.SetDestination(UdpPeer::LoopbackNetworkOrder(), remote.port);
    const Bytes data = Picture(40 * 100 - 40, 3); // 40 fragments, spaced out over 195 ms
    std::thread frame([&] { sender.SendVideoFrame(RawFormat(), nullptr, data.data(), data.size(), true, 77); });
    Bytes first;
    ASSERT_TRUE(remote.Receive(first));
    EXPECT_FALSE(IsProbe(first.data(), first.size()));
    EXPECT_EQ(sender.SendProbe(), 1) << "the probe is sent while the frame is still going out";
    frame.join();
    int fragmentsBeforeProbe = 1;
    Bytes next;
    while (remote.Receive(next, 500) && !IsProbe(next.data(), next.size())) ++fragmentsBeforeProbe;
    EXPECT_TRUE(IsProbe(next.data(), next.size()));
    EXPECT_LT(fragmentsBeforeProbe, 40) << "the probe waited for the whole frame";
}

TEST_F(VideoMedia, FramesTravelIntoSlotZeroAndTheWindowIsTold) {
    UdpPeer a, b;
    CDataSendThread senderA(CDataSendThread::kModeVideo, &a.socket, 77);
    senderA.SetCodecs(0, 2);
    senderA.SetDestination(UdpPeer::LoopbackNetworkOrder(), b.port);
    CDataSendThread senderB(CDataSendThread::kModeVideo, &b.socket, 88);
    senderB.SetCodecs(0, 2);
    CDataRecvThread receiverB(CDataRecvThread::kModeVideo, &b.socket, &senderB);
    receiverB.SetCodecs(0, 2, false);

    std::vector<std::pair<WPARAM, LPARAM>> shown;
    FunctionWindow window([&](UINT message, WPARAM w, LPARAM l) -> LRESULT {
        if (message == WM_VIDEO_FRAME) shown.emplace_back(w, l);
        return 0;
    });
    ASSERT_NE(window.Create("video"), 0u);
    receiverB.SetNotifyWindow(window.GetSafeHwnd());

    // Three pictures of four fragments each; the third completes the second.
    const BitmapInfoHeader raw = RawFormat();
    for (int k = 0; k < 3; ++k) {
        const Bytes picture = Picture(1800, k);
        senderA.VideoFrameSink(raw, picture.data(), picture.size());
        Sleep(2); // the next frame has a later tick
    }
    MSG msg;
    while (shown.size() < 2 && GetMessageTimeout(&msg, 5000)) DispatchMessage(&msg);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].first, 0u);
    VideoFrameSlot* slot = GetVideoFrameSlot(0);
    EXPECT_EQ(shown[1].second, reinterpret_cast<LPARAM>(slot));
    slot->Lock();
    const Bytes second = Picture(1800, 1);
    EXPECT_EQ(slot->Header().biSizeImage, 1800u);
    EXPECT_EQ(std::memcmp(slot->Buffer(), second.data(), second.size()), 0);
    slot->Unlock();
    EXPECT_TRUE(senderB.PeerLearned());
    EXPECT_EQ(senderB.DestinationPort(), a.port);
    receiverB.Stop();
}

// Hand-made fragments of 100 bytes: lost and duplicated fragments on the wire.
struct FrameWire {
    UdpPeer source;
    std::uint32_t sequence = 0;
    VideoFragmenter fragmenter{100};
    int sent = 0;

    // Sends a 290-byte frame (three fragments), leaving out fragment `skip` and sending
    // fragment `twice` a second time (-1: none).
    void Send(std::uint16_t port, std::uint32_t timestamp, bool key, int skip = -1, int twice = -1) {
        Bytes frame;
        const Bytes data = Picture(250, static_cast<int>(timestamp));
        BuildVideoFrame(RawFormat(), nullptr, data.data(), data.size(), key, frame);
        int index = 0;
        fragmenter.Send(frame.data(), frame.size(), timestamp, 9, sequence,
                        [&](const std::uint8_t* p, std::size_t n) {
                            const Bytes packet(p, p + n);
                            if (index != skip) Put(packet, port);
                            if (index == twice) Put(packet, port);
                            ++index;
                        });
    }
    void Put(const Bytes& packet, std::uint16_t port) {
        source.SendTo(packet, port);
        ++sent;
    }
};

// A decoder with a reference: after a key frame it decodes what follows; a fresh one decodes
// nothing before its first key frame, like the real codecs.
class ReferenceDecompressor : public RawDecompressor {
public:
    bool OutputFormat(const BitmapInfoHeader& compressed, BitmapInfoHeader& decoded) override {
        m_key = compressed.biClrImportant == 1;
        return RawDecompressor::OutputFormat(compressed, decoded);
    }
    bool Decompress(const std::uint8_t* frame, std::size_t length, const BitmapInfoHeader& decoded,
                    std::uint8_t* out) override {
        m_reference = m_reference || m_key;
        return m_reference && RawDecompressor::Decompress(frame, length, decoded, out);
    }

private:
    bool m_key = false, m_reference = false;
};

// The caller's media open at the connect and again when the peer's media parameters come;
// a key frame that arrived in between stays the reference of the frames after it.
TEST_F(VideoMedia, MediaOpenedAgainWithTheSameCodecKeepsTheDecoderMidStream) {
    SetVideoCodecFactory({[](int) { return std::make_unique<RawCompressor>(); },
                          [](int) { return std::make_unique<ReferenceDecompressor>(); }});
    UdpPeer b;
    CDataSendThread senderB(CDataSendThread::kModeVideo, &b.socket, 88);
    CDataRecvThread receiver(CDataRecvThread::kModeVideo, &b.socket, &senderB);
    receiver.SetCodecs(0, 2, false);
    VideoFrameCounters& counters = TheVideoFrameCounters();
    const std::uint64_t decodedBefore = counters.decoded.load(), droppedBefore = counters.dropped.load();
    FrameWire wire;
    wire.Send(b.port, 100, true);
    wire.Send(b.port, 200, false); // delivers the key frame
    ASSERT_TRUE(WaitUntil([&] { return counters.decoded.load() == decodedBefore + 1; }, 5000));
    receiver.SetCodecs(0, 2, false); // opened again, same codec
    for (std::uint32_t t = 300; t <= 500; t += 100) wire.Send(b.port, t, false);
    EXPECT_TRUE(WaitUntil([&] { return counters.decoded.load() == decodedBefore + 4; }, 5000))
        << counters.decoded.load() - decodedBefore << " decoded";
    EXPECT_EQ(counters.dropped.load(), droppedBefore);
    receiver.Stop();
}

TEST_F(VideoMedia, StrictModeLostKeyFragmentHidesTheSlotUntilACompleteKeyFrameAndDuplicatesDrop) {
    UdpPeer socket;
    CDataRecvThread receiver(CDataRecvThread::kModeVideo, &socket.socket, nullptr);
    receiver.SetCodecs(0, 2, false);
    receiver.SetStrict(true);
    FrameWire wire;
    wire.Send(socket.port, 100, true);     // shown
    wire.Send(socket.port, 200, false);    // shown
    wire.Send(socket.port, 300, true, 1);  // key frame loses its middle fragment
    wire.Send(socket.port, 400, false);    // complete, but the slot waits for a key frame
    wire.Send(socket.port, 500, false);    // likewise
    wire.Send(socket.port, 600, true);     // complete key frame: shown again
    wire.Send(socket.port, 700, false);    // shown
    wire.Send(socket.port, 800, false, -1, 2); // a duplicated fragment drops this frame only
    wire.Send(socket.port, 900, false);    // shown
    wire.Send(socket.port, 1000, false, 1, -1); // completes 900
    ASSERT_TRUE(WaitUntil([&] { return receiver.DatagramsSeen() == static_cast<std::uint64_t>(wire.sent); }));
    EXPECT_EQ(receiver.Video().FramesShown(), 5u);
    EXPECT_FALSE(receiver.Video().WaitingForKeyFrame(0));
}

} // namespace
} // namespace orv
