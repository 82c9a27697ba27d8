#include "client/audio/codecs/audio_codec.h"
#include "client/audio/codecs/codec_probe.h"
#include "client/audio/pipeline/pcm_block_queue.h"
#include "client/media/audio_receiver.h"
#include "client/media/media_socket.h"
#include "tests/media/media_test_support.h"
#include "wire/media_header.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace orv {
namespace {

using test::AudioPacket;
using test::Bytes;
using test::Correlation;
using test::SpeechBlock;

struct Loopback {
    MediaSocket sender;
    MediaSocket receiver;
    std::string senderAddress;
    std::uint16_t senderPort = 0;
    std::uint16_t receiverPort = 0;

    Loopback() {
        std::string unused;
        EXPECT_TRUE(sender.Create(0, SOCK_DGRAM, "127.0.0.1"));
        EXPECT_TRUE(receiver.Create(0, SOCK_DGRAM, "127.0.0.1"));
        EXPECT_TRUE(sender.LocalAddress(senderAddress, senderPort));
        EXPECT_TRUE(receiver.LocalAddress(unused, receiverPort));
    }

    // Sends one datagram and receives it on the other socket (waiting up to 5 s).
    Bytes Pass(const Bytes& datagram, std::string& from, std::uint16_t& fromPort) {
        EXPECT_EQ(sender.SendTo(datagram.data(), datagram.size(), receiverPort, "127.0.0.1"),
                  static_cast<long>(datagram.size()));
        pollfd wait{receiver.Handle(), POLLIN, 0};
        EXPECT_EQ(poll(&wait, 1, 5000), 1);
        Bytes buffer(kMaxDatagramBytes);
        const long n = receiver.ReceiveFrom(buffer.data(), buffer.size(), from, fromPort);
        EXPECT_GE(n, 0);
        buffer.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
        return buffer;
    }
};

TEST(AudioReceive, EachCodecsPacketGivesExactlyOneBlockOverRealSockets) {
    struct Case { int id; std::size_t payload; };
    for (const Case c : {Case{kCodecG711ALaw, 240}, Case{kCodecG711MuLaw, 240},
                         Case{kCodecG7231, 24}, Case{kCodecG729, 30}}) {
        if (c.id == kCodecG7231 && !CanOpenG7231()) continue;
        SCOPED_TRACE(c.id);
        Loopback link;
        auto encoder = CreateAudioCodec(c.id);
        ASSERT_TRUE(encoder);
        PcmBlockQueue queue;
        AudioReceiver receiver;
        receiver.SetCodec(c.id);
        receiver.SetOutputQueue(&queue);
        std::string learned;
        std::uint16_t learnedPort = 0;
        int learnedCount = 0;
        receiver.SetPeerLearned([&](const std::string& a, std::uint16_t p) {
            learned = a, learnedPort = p, ++learnedCount;
            return true;
        });

        const Bytes pcm = SpeechBlock(0);
        for (int k = 0; k < 4; ++k) {
            const Bytes packet = AudioPacket(*encoder, SpeechBlock(240 * k), static_cast<std::uint16_t>(k),
                                             static_cast<std::uint32_t>(1000 + 240 * k));
            ASSERT_EQ(packet.size(), kMediaHeaderBytes + c.payload);
            std::string from;
            std::uint16_t fromPort = 0;
            const Bytes got = link.Pass(packet, from, fromPort);
            ASSERT_EQ(got, packet);
            EXPECT_EQ(receiver.HandleDatagram(got.data(), got.size(), from, fromPort), 1u);
            EXPECT_EQ(queue.Count(), static_cast<std::size_t>(k + 1));
        }
        EXPECT_EQ(receiver.LastTimestamp(), 1000u + 3 * 240);
        EXPECT_EQ(learnedCount, 1);
        EXPECT_EQ(learned, link.senderAddress);
        EXPECT_EQ(learnedPort, link.senderPort);
        if (c.id == kCodecG711ALaw || c.id == kCodecG711MuLaw) {
            const std::uint8_t* first = queue.Get();
            ASSERT_NE(first, nullptr);
            EXPECT_GT(Correlation(first, pcm.data(), kPcmBlockBytes), 0.99);
        }
    }
}

TEST(AudioReceive, DropsWhatCannotBeSpeech) {
    PcmBlockQueue queue;
    AudioReceiver receiver;
    receiver.SetOutputQueue(&queue);
    auto alaw = CreateAudioCodec(kCodecG711ALaw);
    Bytes packet = AudioPacket(*alaw, SpeechBlock(0), 1, 1);
    EXPECT_EQ(receiver.HandleDatagram(packet.data(), packet.size(), "127.0.0.1", 5), 0u); // no codec

    receiver.SetCodec(kCodecG711ALaw);
    Bytes headerOnly(packet.begin(), packet.begin() + 12); // 12 bytes, not a probe: no payload
    EXPECT_EQ(receiver.HandleDatagram(headerOnly.data(), headerOnly.size(), "127.0.0.1", 5), 0u);
    Bytes odd(packet.begin(), packet.begin() + 12 + 77); // not a whole codec unit
    EXPECT_EQ(receiver.HandleDatagram(odd.data(), odd.size(), "127.0.0.1", 5), 0u);
    Bytes csrcPastEnd = packet;
    csrcPastEnd[0] = 0x8F;
    csrcPastEnd.resize(12 + 60);
    EXPECT_EQ(receiver.HandleDatagram(csrcPastEnd.data(), csrcPastEnd.size(), "127.0.0.1", 5), 0u);
    EXPECT_EQ(queue.Count(), 0u);
    EXPECT_FALSE(receiver.FirstPacketSeen());

    // Two CSRC entries are skipped before the payload.
    Bytes withCsrc(packet.begin(), packet.begin() + 12);
    withCsrc[0] = 0x82;
    withCsrc.insert(withCsrc.end(), 8, 0xEE);
    withCsrc.insert(withCsrc.end(), packet.begin() + 12, packet.end());
    EXPECT_EQ(receiver.HandleDatagram(withCsrc.data(), withCsrc.size(), "127.0.0.1", 5), 1u);
    EXPECT_TRUE(receiver.FirstPacketSeen());
}

TEST(AudioReceive, ShortG729PacketsAreReblockedWithoutLoss) {
    PcmBlockQueue queue;
    AudioReceiver receiver;
    receiver.SetCodec(kCodecG729);
    receiver.SetOutputQueue(&queue);
    auto g729 = CreateAudioCodec(kCodecG729);
    const Bytes full = AudioPacket(*g729, SpeechBlock(0), 0, 0);
    Bytes twenty(full.begin(), full.begin() + 12 + 20); // two 10 ms frames
    EXPECT_EQ(receiver.HandleDatagram(twenty.data(), twenty.size(), "127.0.0.1", 5), 0u);
    twenty[3] = 1; // the next packet in the sequence (a repeated one is dropped)
    EXPECT_EQ(receiver.HandleDatagram(twenty.data(), twenty.size(), "127.0.0.1", 5), 1u);
    EXPECT_EQ(receiver.HandleDatagram(twenty.data(), twenty.size(), "127.0.0.1", 5), 0u);
    Bytes ninety = AudioPacket(*g729, SpeechBlock(0), 2, 0); // nine frames at once
    for (int i = 0; i < 2; ++i) ninety.insert(ninety.end(), full.begin() + 12, full.end());
    EXPECT_EQ(receiver.HandleDatagram(ninety.data(), ninety.size(), "127.0.0.1", 5), 3u);
    EXPECT_EQ(queue.Count(), 4u); // 2 + 2 + 9 frames = 13 pieces: four blocks, one piece left
}

TEST(MediaSocket, CreateRejectsBadAddressAndIsIdempotent) {
    MediaSocket socket;
    EXPECT_EQ(socket.Create(0, SOCK_DGRAM, "127.0.0.300"), 0);
    EXPECT_EQ(socket.LastError(), EINVAL);
    EXPECT_FALSE(socket.IsCreated());
    ASSERT_TRUE(socket.Create(0, SOCK_DGRAM, "127.0.0.1"));
    const int handle = socket.Handle();
    EXPECT_TRUE(socket.Create(0, SOCK_DGRAM, "127.0.0.1"));
    EXPECT_EQ(socket.Handle(), handle);
    const char byte = 1;
    EXPECT_EQ(socket.SendTo(&byte, 1, 9, "no-such-host.invalid"), -1);
    EXPECT_EQ(socket.LastError(), EINVAL);
    socket.Close();
    EXPECT_FALSE(socket.IsCreated());
}

TEST(MediaSocket, ShutdownEndsABlockedReceive) {
    MediaSocket socket;
    ASSERT_TRUE(socket.Create(0, SOCK_DGRAM, "127.0.0.1"));
    long result = 1;
    std::thread blocked([&] {
        std::uint8_t buffer[64];
        std::string from;
        std::uint16_t port = 0;
        result = socket.ReceiveFrom(buffer, sizeof buffer, from, port);
    });
    socket.Shutdown();
    blocked.join();
    EXPECT_LE(result, 0);
}

} // namespace
} // namespace orv
