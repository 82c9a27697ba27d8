// A call's media as the call handler drives it: two bound sockets, open with file sound
// devices, the real process-wide threads, a UDP peer on the other side.
#include "client/audio/codecs/audio_codec.h"
#include "client/audio/devices/wav_reader.h"
#include "client/audio/devices/wav_writer.h"
#include "client/media/data_recv_thread.h"
#include "client/media/data_send_thread.h"
#include "client/media/media_peer_guard.h"
#include "client/media/process_media.h"
#include "client/media/talk_media.h"
#include "tests/media/media_test_support.h"
#include "tests/server/test_folder.h"
#include "wire/media_header.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace orv {
namespace {

using test::Bytes;
using test::UdpPeer;
using test::WaitUntil;

constexpr std::uint32_t kEndpoint = 4242;

class TalkMediaTest : public ::testing::Test {
protected:
    void TearDown() override { ProcessMedia::Get().Shutdown(); }

    // Two seconds of tone as the microphone; what the speaker plays goes to heard.wav.
    std::string Device() {
        std::string error;
        auto writer = WavWriter::Create(m_folder.File("tone.wav"), error);
        EXPECT_TRUE(writer) << error;
        for (int k = 0; k < 66; ++k) {
            const Bytes block = test::SpeechBlock(240 * k);
            writer->Write(reinterpret_cast<const std::int16_t*>(block.data()), block.size() / 2);
        }
        return "wav:in=" + m_folder.File("tone.wav") + ",out=" + m_folder.File("heard.wav");
    }

    static CallMediaParams Params(int codec, const UdpPeer& audioPeer, const UdpPeer& videoPeer) {
        CallMediaParams params;
        params.audioCaptCodec = params.audioPlayCodec = static_cast<std::uint16_t>(codec);
        params.videoCaptCodec = params.videoPlayCodec = 2;
        params.frameRate = 10;
        params.flowRate = 128;
        params.peerAudioIP = params.peerVideoIP = UdpPeer::LoopbackNetworkOrder();
        params.peerAudioPort = audioPeer.port;
        params.peerVideoPort = videoPeer.port;
        return params;
    }

    // Reads datagrams until n audio packets (and, when counting probes, a probe) arrived;
    // keeps the headers of the first n audio packets.
    static std::vector<MediaHeader> AudioPackets(UdpPeer& peer, int n, int* probes = nullptr) {
        std::vector<MediaHeader> headers;
        Bytes datagram;
        int audio = 0;
        while ((audio < n || (probes != nullptr && *probes == 0)) && peer.Receive(datagram)) {
            if (IsProbe(datagram.data(), datagram.size())) {
                if (probes != nullptr) ++*probes;
                continue;
            }
            MediaHeader header;
            if (audio++ < n && UnpackMediaHeader(datagram.data(), datagram.size(), header)) headers.push_back(header);
        }
        return headers;
    }

    TestFolder m_folder;
};

TEST_F(TalkMediaTest, SendsTheMicrophoneAsRtpProbesUntilLearnedAndPlaysThePeer) {
    UdpPeer audioPeer, videoPeer;
    TalkMedia media;
    ASSERT_TRUE(media.BindSockets(0, 0));
    const std::uint16_t audioPort = media.LocalPort(kAudioChannel);
    ASSERT_NE(audioPort, 0);
    ASSERT_NE(media.LocalPort(kVideoChannel), 0);
    EXPECT_NE(media.LocalPort(kVideoChannel), audioPort);

    // The channel announcement leaves from the audio socket.
    const Bytes announcement(27, 0x5A);
    EXPECT_EQ(media.SendOnChannel(kAudioChannel, announcement.data(), announcement.size(),
                                  UdpPeer::LoopbackNetworkOrder(), audioPeer.port),
              27);
    Bytes got;
    std::uint16_t from = 0;
    ASSERT_TRUE(audioPeer.Receive(got, 5000, nullptr, &from));
    EXPECT_EQ(got, announcement);
    EXPECT_EQ(from, audioPort);

    CallMediaContext context;
    context.endpointId = kEndpoint;
    context.audioDevice = Device();
    ASSERT_EQ(media.Open(Params(kCodecG711ALaw, audioPeer, videoPeer), context), 1);
    EXPECT_TRUE(media.SendAudioProbe());
    EXPECT_TRUE(media.SendVideoProbe());
    Bytes videoProbe;
    ASSERT_TRUE(videoPeer.Receive(videoProbe));
    EXPECT_TRUE(IsProbe(videoProbe.data(), videoProbe.size()));

    int probes = 0;
    const auto headers = AudioPackets(audioPeer, 10, &probes);
    ASSERT_EQ(headers.size(), 10u);
    EXPECT_EQ(probes, 1);
    for (std::size_t i = 0; i < headers.size(); ++i) {
        EXPECT_EQ(headers[i].versionByte, 0x80);
        EXPECT_EQ(headers[i].payloadType, 8);
        EXPECT_EQ(headers[i].ssrc, kEndpoint);
        EXPECT_EQ(headers[i].sequence, i);
        EXPECT_EQ(headers[i].timestamp, headers[0].timestamp + 240u * static_cast<std::uint32_t>(i));
    }

    // The peer talks back, one packet per 30 ms; the first decoded one ends the probing.
    auto alaw = CreateAudioCodec(kCodecG711ALaw);
    for (int k = 0; k < 20; ++k) {
        audioPeer.SendTo(test::AudioPacket(*alaw, test::SpeechBlock(240 * k), static_cast<std::uint16_t>(k),
                                           240u * static_cast<std::uint32_t>(k), 7),
                         audioPort);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    EXPECT_TRUE(WaitUntil([&] { return !media.SendAudioProbe(); }));
    EXPECT_TRUE(media.SendVideoProbe()) << "no video came, so video still probes";
    media.Close();
    EXPECT_FALSE(media.SendVideoProbe()) << "closed media send no probes";
    ProcessMedia::Get().Shutdown(); // the speaker's file is complete

    WavAudio heard;
    std::string error;
    ASSERT_TRUE(ReadWavFile(m_folder.File("heard.wav"), heard, error)) << error;
    double energy = 0;
    for (float s : heard.mono) energy += static_cast<double>(s) * s;
    const double rms = heard.mono.empty() ? 0 : std::sqrt(energy / static_cast<double>(heard.mono.size()));
    EXPECT_GT(rms, 0.05) << "the peer's tone was played, " << heard.mono.size() << " samples";
}

TEST_F(TalkMediaTest, AStrangersProbeNeverStealsTheAudioButARebindingPeerMovesIt) {
    constexpr std::uint32_t kPeerSsrc = 7;
    std::atomic<std::uint32_t> clock{5000};
    SetMediaPeerClockForTest([&] { return clock.load(); });
    UdpPeer peer, video, stranger, rebound;
    TalkMedia media;
    ASSERT_TRUE(media.BindSockets(0, 0));
    const std::uint16_t audioPort = media.LocalPort(kAudioChannel);
    CallMediaContext context;
    context.endpointId = kEndpoint;
    context.audioDevice = Device();
    ASSERT_EQ(media.Open(Params(kCodecG711ALaw, peer, video), context), 1);
    SetMediaPeerClockForTest(nullptr); // the call's guards have their clock

    // The peer talks: its media teach the sender where it is (and its SSRC).
    auto alaw = CreateAudioCodec(kCodecG711ALaw);
    for (std::uint16_t k = 0; k < 3; ++k)
        peer.SendTo(test::AudioPacket(*alaw, test::SpeechBlock(240 * k), k, 240u * k, kPeerSsrc), audioPort);
    ASSERT_TRUE(WaitUntil([&] { return !media.SendAudioProbe(); })) << "the peer's media were not learned";
    CDataRecvThread& receiver = *media.AudioReceiver();
    auto probeFrom = [&](UdpPeer& from, std::uint32_t ssrc) {
        const std::uint64_t seen = receiver.ProbesSeen();
        Bytes probe(kMediaHeaderBytes);
        PackProbe(ssrc, probe.data());
        from.SendTo(probe, audioPort);
        ASSERT_TRUE(WaitUntil([&] { return receiver.ProbesSeen() == seen + 1; }));
    };
    // A stranger's probes, with its own SSRC and with the peer's, 1999 ms into the peer's
    // silence; then, once the silence reached 2 s, with its own SSRC again.
    probeFrom(stranger, 99);
    clock += MediaPeerGuard::kRebindSilenceMs - 1;
    probeFrom(stranger, kPeerSsrc);
    clock += 1;
    probeFrom(stranger, 99);
    CDataSendThread& sender = *ProcessMedia::Get().ExistingAudioSender();
    EXPECT_EQ(sender.DestinationPort(), peer.port);
    Bytes datagram;
    EXPECT_FALSE(stranger.Receive(datagram, 300)) << "the stranger got the call's audio";
    EXPECT_EQ(AudioPackets(peer, 3).size(), 3u);

    // The peer's translator gave it a new port and the old one is silent: its probe moves
    // the audio there.
    probeFrom(rebound, kPeerSsrc);
    EXPECT_EQ(sender.DestinationPort(), rebound.port);
    EXPECT_EQ(AudioPackets(rebound, 3).size(), 3u) << "the audio did not follow the peer";
    EXPECT_FALSE(stranger.Receive(datagram, 100));
}

TEST_F(TalkMediaTest, ClosingAnOlderCallLeavesTheNewerCallsMediaRunning) {
    UdpPeer peerA, videoA, peerB, videoB;
    const std::string device = Device();
    CallMediaContext context;
    context.endpointId = kEndpoint;
    context.audioDevice = device;
    auto older = std::make_unique<TalkMedia>();
    ASSERT_TRUE(older->BindSockets(0, 0));
    ASSERT_EQ(older->Open(Params(kCodecG711MuLaw, peerA, videoA), context), 1);
    ASSERT_EQ(AudioPackets(peerA, 2).size(), 2u);

    // The newer call comes after a new logon: another EndpointID, so another SSRC.
    TalkMedia newer;
    ASSERT_TRUE(newer.BindSockets(0, 0));
    context.endpointId = kEndpoint + 1;
    ASSERT_EQ(newer.Open(Params(kCodecG729, peerB, videoB), context), 1);
    auto before = AudioPackets(peerB, 2);
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(before[0].payloadType, 18);
    EXPECT_EQ(before[0].sequence, 0);
    EXPECT_EQ(before[0].ssrc, kEndpoint + 1);

    older->Close();
    // A late probe to the closed call's socket must not re-point the sender the newer call
    // uses now.
    UdpPeer stray;
    Bytes probe(kMediaHeaderBytes);
    PackProbe(1, probe.data());
    stray.SendTo(probe, older->LocalPort(kAudioChannel));
    ASSERT_TRUE(WaitUntil([&] { return older->AudioReceiver()->ProbesSeen() == 1; }));
    older.reset(); // also closes its sockets and ends its receive threads
    auto after = AudioPackets(peerB, 5);
    ASSERT_EQ(after.size(), 5u) << "the newer call still sends";
    EXPECT_EQ(after.back().sequence, after.front().sequence + 4);
}

} // namespace
} // namespace orv
