// The audio sender and the audio receive thread on real UDP sockets: packet format,
// sequence and timestamp rules, probes and peer-address learning.
#include "client/audio/codecs/audio_codec.h"
#include "client/audio/codecs/codec_probe.h"
#include "client/audio/pipeline/pcm_block_queue.h"
#include "client/media/data_recv_thread.h"
#include "client/media/data_send_thread.h"
#include "tests/media/media_test_support.h"
#include "wire/media_header.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace orv {
namespace {

using test::Bytes;
using test::UdpPeer;
using test::WaitUntil;

MediaHeader HeaderOf(const Bytes& packet) {
    MediaHeader header;
    EXPECT_TRUE(UnpackMediaHeader(packet.data(), packet.size(), header));
    return header;
}

struct AudioSenderRig {
    UdpPeer local;  // the call's audio socket
    UdpPeer remote; // the peer
    PcmBlockQueue queue;
    CDataSendThread sender{CDataSendThread::kModeAudio, &local.socket, 0x01020304};

    explicit AudioSenderRig(int codec) {
        sender.SetCodecs(codec, 0);
        sender.SetDestination(UdpPeer::LoopbackNetworkOrder(), remote.port);
        sender.SetSourceQueue(&queue);
    }
};

TEST(DataSendThread, AudioPacketsAreRtpAndANewCallRestartsTheSequenceButNotTheTimestamp) {
    AudioSenderRig rig(kCodecG711ALaw);
    // A backlog of three blocks leaves paced, never as a burst: the third packet cannot
    // arrive before two catch-up spacings after the puts, however late anything runs.
    const auto put = std::chrono::steady_clock::now();
    for (int k = 0; k < 3; ++k) rig.queue.Put(test::SpeechBlock(240 * k).data());
    std::uint32_t firstTimestamp = 0;
    auto alaw = CreateAudioCodec(kCodecG711ALaw);
    for (int k = 0; k < 3; ++k) {
        Bytes packet;
        ASSERT_TRUE(rig.remote.Receive(packet));
        if (k == 2) {
            EXPECT_GE(std::chrono::steady_clock::now() - put,
                      std::chrono::milliseconds(2 * (CDataSendThread::kCatchUpSpacingMs - 1)));
        }
        ASSERT_EQ(packet.size(), kMediaHeaderBytes + 240);
        const MediaHeader header = HeaderOf(packet);
        EXPECT_EQ(header.versionByte, 0x80);
        EXPECT_EQ(header.payloadType, 8);
        EXPECT_EQ(header.sequence, k);
        EXPECT_EQ(header.ssrc, 0x01020304u);
        if (k == 0) firstTimestamp = header.timestamp;
        EXPECT_EQ(header.timestamp, firstTimestamp + 240u * static_cast<std::uint32_t>(k));
        Bytes pcm(kPcmBlockBytes);
        std::uint32_t in = 240, out = kPcmBlockBytes;
        ASSERT_EQ(alaw->Decode(packet.data() + kMediaHeaderBytes, in, pcm.data(), out), 0);
        EXPECT_GT(test::Correlation(pcm.data(), test::SpeechBlock(240 * k).data(), kPcmBlockBytes), 0.99);
    }

    // The next call: G.729, sequence from 0, the timeline goes on.
    rig.sender.SetCodecs(kCodecG729, 0);
    for (int k = 0; k < 2; ++k) rig.queue.Put(test::SpeechBlock(0).data());
    for (int k = 0; k < 2; ++k) {
        Bytes packet;
        ASSERT_TRUE(rig.remote.Receive(packet));
        ASSERT_EQ(packet.size(), kMediaHeaderBytes + 30);
        const MediaHeader header = HeaderOf(packet);
        EXPECT_EQ(header.payloadType, 18);
        EXPECT_EQ(header.sequence, k);
        EXPECT_EQ(header.timestamp, firstTimestamp + 240u * static_cast<std::uint32_t>(3 + k));
    }
    EXPECT_TRUE(rig.sender.Stop(5000));
}

TEST(DataSendThread, ProbesFollowTheProbeSourceAndStopOnceThePeerIsLearned) {
    AudioSenderRig rig(kCodecG711MuLaw);
    EXPECT_EQ(rig.sender.SendProbe(), 1);
    Bytes probe;
    ASSERT_TRUE(rig.remote.Receive(probe));
    EXPECT_EQ(probe, (Bytes{0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 1, 2, 3, 4}));

    CDataRecvThread receiver(CDataRecvThread::kModeAudio, &rig.local.socket, &rig.sender);
    receiver.SetCodecs(kCodecG711MuLaw, 0, false);
    PcmBlockQueue playback;
    receiver.SetOutputQueue(&playback);

    // A probe from another address (the peer behind a translator) re-points the sender
    // without ending the probing.
    UdpPeer translated;
    Bytes peerProbe(kMediaHeaderBytes);
    PackProbe(99, peerProbe.data());
    translated.SendTo(peerProbe, rig.local.port);
    ASSERT_TRUE(WaitUntil([&] { return receiver.ProbesSeen() == 1; }));
    EXPECT_EQ(rig.sender.DestinationPort(), translated.port);
    EXPECT_FALSE(rig.sender.PeerLearned());
    EXPECT_EQ(rig.sender.SendProbe(), 1);
    ASSERT_TRUE(translated.Receive(probe));
    EXPECT_TRUE(IsProbe(probe.data(), probe.size()));

    // Media with an SSRC other than the probe's teach no address; the peer's own media,
    // decoded from a third address, do: learned, probes end.
    UdpPeer media;
    auto mulaw = CreateAudioCodec(kCodecG711MuLaw);
    media.SendTo(test::AudioPacket(*mulaw, test::SpeechBlock(0), 6, 6, 42), rig.local.port);
    ASSERT_TRUE(WaitUntil([&] { return receiver.DatagramsSeen() == 1; }));
    EXPECT_FALSE(rig.sender.PeerLearned());
    EXPECT_EQ(rig.sender.DestinationPort(), translated.port);
    media.SendTo(test::AudioPacket(*mulaw, test::SpeechBlock(0), 7, 7, 99), rig.local.port);
    ASSERT_TRUE(WaitUntil([&] { return rig.sender.PeerLearned(); }));
    EXPECT_EQ(rig.sender.DestinationPort(), media.port);
    EXPECT_EQ(rig.sender.SendProbe(), 0);
    rig.queue.Put(test::SpeechBlock(0).data());
    Bytes next;
    ASSERT_TRUE(media.Receive(next));
    EXPECT_EQ(next.size(), kMediaHeaderBytes + 240) << "the probe refusal sent nothing first";

    // Setting codecs for a new call forgets the learned peer.
    rig.sender.SetCodecs(kCodecG711MuLaw, 0);
    EXPECT_EQ(rig.sender.SendProbe(), 1);
    EXPECT_TRUE(receiver.Stop());
}

TEST(DataRecvThread, TwelveByteDatagramThatIsNotAProbeIsDroppedAsMedia) {
    AudioSenderRig rig(kCodecG711ALaw);
    CDataRecvThread receiver(CDataRecvThread::kModeAudio, &rig.local.socket, &rig.sender);
    receiver.SetCodecs(kCodecG711ALaw, 0, false);
    PcmBlockQueue playback;
    receiver.SetOutputQueue(&playback);
    UdpPeer stranger;
    Bytes twelve(kMediaHeaderBytes);
    MediaHeader header;
    header.sequence = 5;
    PackMediaHeader(header, twelve.data());
    stranger.SendTo(twelve, rig.local.port);
    ASSERT_TRUE(WaitUntil([&] { return receiver.DatagramsSeen() == 1; }));
    EXPECT_EQ(receiver.ProbesSeen(), 0u);
    EXPECT_EQ(playback.Count(), 0u);
    EXPECT_FALSE(rig.sender.PeerLearned());
    EXPECT_EQ(rig.sender.DestinationPort(), rig.remote.port);
}

TEST(DataRecvThread, StopEndsABlockedReceiveAndTheThread) {
    UdpPeer idle;
    CDataRecvThread receiver(CDataRecvThread::kModeVideo, &idle.socket, nullptr);
    EXPECT_TRUE(receiver.Stop(5000));
    EXPECT_FALSE(receiver.IsRunning());

    // A stop that gives up at once still never frees what the thread reads: the receiver's
    // destruction waits for the thread, so the socket can go right after (ASan checks).
    for (int round = 0; round < 20; ++round) {
        auto peer = std::make_unique<UdpPeer>();
        auto busy = std::make_unique<CDataRecvThread>(CDataRecvThread::kModeAudio, &peer->socket, nullptr);
        peer->SendTo(Bytes(kMediaHeaderBytes + 10, 1), peer->port);
        busy->Stop(0);
        busy.reset();
        peer.reset();
    }
}

// Capture queue -> sender -> UDP -> receive thread -> playback queue, for each speech codec:
// every packet gives exactly one 30 ms block at the far end.
TEST(MediaPipeline, EachCodecTurnsOneCapturedBlockIntoOnePlayedBlock) {
    for (int codec = kCodecG711ALaw; codec <= kCodecG729; ++codec) {
        SCOPED_TRACE(codec);
        if (codec == kCodecG7231 && !CanOpenG7231()) continue;
        AudioSenderRig rig(codec);
        PcmBlockQueue playback;
        CDataRecvThread receiver(CDataRecvThread::kModeAudio, &rig.remote.socket, nullptr);
        receiver.SetCodecs(codec, 0, false);
        receiver.SetOutputQueue(&playback);
        double energy = 0;
        for (int k = 0; k < 12; ++k) {
            const Bytes block = test::SpeechBlock(240 * k);
            rig.queue.Put(block.data());
            ASSERT_TRUE(WaitUntil([&] { return playback.Count() == 1; }));
            const std::uint8_t* played = playback.Get();
            ASSERT_NE(played, nullptr);
            if (codec <= kCodecG711MuLaw) {
                EXPECT_GT(test::Correlation(played, block.data(), kPcmBlockBytes), 0.99);
            }
            if (k >= 6) energy += test::Correlation(played, played, kPcmBlockBytes);
        }
        EXPECT_GT(energy, 5.9) << "later blocks carry sound, not silence";
        EXPECT_EQ(receiver.DatagramsSeen(), 12u);
    }
}

} // namespace
} // namespace orv
