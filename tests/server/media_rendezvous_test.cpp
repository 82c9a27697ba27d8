// The media rendezvous: what it learns from announcements and probes, where it sends media,
// what the echo service sends back, and that every other datagram is dropped.
#include "server/media_rendezvous.h"

#include "wire/media_header.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kCallerEndpoint = 11;
constexpr std::uint32_t kCalledEndpoint = 22;
const MediaAddress kCallerAt{0x7F000001, 40000};
const MediaAddress kCalledAt{0x7F000001, 40002};

Bytes Media(std::uint32_t ssrc, std::uint16_t seq, std::size_t payload = 30, std::uint8_t csrcs = 0) {
    MediaHeader h;
    h.versionByte = static_cast<std::uint8_t>(kMediaVersionByte | csrcs);
    h.payloadType = 18;
    h.sequence = seq;
    h.timestamp = 240u * seq;
    h.ssrc = ssrc;
    Bytes p(kMediaHeaderBytes + 4 * csrcs + payload);
    PackMediaHeader(h, p.data());
    for (std::size_t i = kMediaHeaderBytes; i < p.size(); ++i) p[i] = static_cast<std::uint8_t>(i);
    return p;
}

Bytes Probe(std::uint32_t ssrc) {
    Bytes p(kMediaHeaderBytes);
    PackProbe(ssrc, p.data());
    return p;
}

class MediaRendezvousTest : public ::testing::Test {
protected:
    struct Sent {
        Medium medium;
        Bytes datagram;
        MediaAddress to;
    };

    MediaRendezvousTest()
        : m_media(m_calls, [this](Medium medium, const Bytes& datagram, const MediaAddress& to) {
              m_sent.push_back({medium, datagram, to});
          }) {}

    TalkCall& MakeCall(bool echo = false) {
        TalkCall& call = m_calls.Create(0);
        call.echo = echo;
        call.Party(Side::Caller).endpoint = kCallerEndpoint;
        call.Party(Side::Called).endpoint = echo ? 0 : kCalledEndpoint;
        return call;
    }

    void Feed(Medium medium, const Bytes& d, const MediaAddress& from) {
        m_media.OnDatagram(medium, d.data(), d.size(), from, m_now);
    }

    void Announce(const TalkCall& call, Medium medium, std::uint32_t endpoint, const MediaAddress& from) {
        UdpChannelOpen open;
        open.callId = call.id;
        open.channel = medium == Medium::Audio ? kChannelAudio : kChannelVideo;
        open.endpoint = endpoint;
        open.local = from;
        open.subnet = 0x7F000000;
        Feed(medium, BuildOpenUdpChannel(1, open), from);
    }

    TalkCallTable m_calls;
    std::vector<Sent> m_sent;
    MediaRendezvous m_media;
    std::uint32_t m_now = 1000;
};

TEST_F(MediaRendezvousTest, LearnsEachSideFromItsAnnouncementAndForwardsMediaToTheOther) {
    TalkCall& call = MakeCall();
    Announce(call, Medium::Audio, kCallerEndpoint, kCallerAt);
    Announce(call, Medium::Audio, kCalledEndpoint, kCalledAt);
    EXPECT_TRUE(call.Party(Side::Caller).Path(Medium::Audio).learned);
    EXPECT_EQ(call.Party(Side::Called).Path(Medium::Audio).seen, kCalledAt);
    EXPECT_EQ(call.Party(Side::Called).Path(Medium::Audio).subnet, 0x7F000000u);
    EXPECT_TRUE(m_sent.empty()) << "announcements are not passed on";

    const Bytes fromCaller = Media(kCallerEndpoint, 1);
    Feed(Medium::Audio, fromCaller, kCallerAt);
    Feed(Medium::Audio, Media(kCalledEndpoint, 9), kCalledAt);
    ASSERT_EQ(m_sent.size(), 2u);
    EXPECT_EQ(m_sent[0].datagram, fromCaller) << "forwarded unchanged";
    EXPECT_EQ(m_sent[0].to, kCalledAt);
    EXPECT_EQ(m_sent[0].medium, Medium::Audio);
    EXPECT_EQ(m_sent[1].to, kCallerAt);

    // Video of a side whose peer announced no video goes nowhere.
    Announce(call, Medium::Video, kCallerEndpoint, MediaAddress{0x7F000001, 40001});
    Feed(Medium::Video, Media(kCallerEndpoint, 1), MediaAddress{0x7F000001, 40001});
    EXPECT_EQ(m_sent.size(), 2u);
    EXPECT_EQ(m_media.Stats().forwarded, 2u);
}

TEST_F(MediaRendezvousTest, AProbeFillsAGapButMovesNoLearnedAddress) {
    TalkCall& call = MakeCall();
    const MediaAddress elsewhere{0x7F000001, 41000};
    Feed(Medium::Audio, Probe(kCalledEndpoint), kCalledAt);
    EXPECT_EQ(call.Party(Side::Called).Path(Medium::Audio).seen, kCalledAt);
    Feed(Medium::Audio, Probe(kCalledEndpoint), elsewhere);
    EXPECT_EQ(call.Party(Side::Called).Path(Medium::Audio).seen, kCalledAt);
    // Its own announcement may move it (a new mapping of its address translator).
    Announce(call, Medium::Audio, kCalledEndpoint, elsewhere);
    EXPECT_EQ(call.Party(Side::Called).Path(Medium::Audio).seen, elsewhere);
    Feed(Medium::Audio, Probe(kCallerEndpoint), kCallerAt);
    Feed(Medium::Audio, Media(kCallerEndpoint, 1), kCallerAt);
    ASSERT_EQ(m_sent.size(), 1u);
    EXPECT_EQ(m_sent[0].to, elsewhere);
    // The old address routes nothing any more.
    Feed(Medium::Audio, Media(kCalledEndpoint, 1), kCalledAt);
    EXPECT_EQ(m_sent.size(), 1u);
}

TEST_F(MediaRendezvousTest, EverythingElseIsDropped) {
    TalkCall& call = MakeCall();
    Announce(call, Medium::Audio, kCallerEndpoint, kCallerAt);
    Announce(call, Medium::Audio, kCalledEndpoint, kCalledAt);
    const MediaAddress stranger{0x7F000001, 45000};

    TalkCall other;
    other.id = call.id + 1;
    Announce(other, Medium::Audio, kCallerEndpoint, stranger);    // unknown call
    Announce(call, Medium::Audio, 999, stranger);                 // no party of the call
    Announce(call, Medium::Video, kCallerEndpoint, stranger);     // fine: video of the caller
    UdpChannelOpen wrongChannel;
    wrongChannel.callId = call.id;
    wrongChannel.channel = kChannelVideo;
    wrongChannel.endpoint = kCalledEndpoint;
    Feed(Medium::Audio, BuildOpenUdpChannel(1, wrongChannel), stranger); // video announced on the audio port
    Feed(Medium::Audio, Probe(12345), stranger);                          // endpoint in no call
    Feed(Medium::Audio, Media(kCallerEndpoint, 1), stranger);             // unknown address
    Feed(Medium::Audio, Media(kCalledEndpoint, 1), kCallerAt);            // SSRC of another
    Bytes badVersion = Media(kCallerEndpoint, 2);
    badVersion[0] = 0x40;
    Feed(Medium::Audio, badVersion, kCallerAt);
    Bytes headerOnly = Media(kCallerEndpoint, 3, 0); // 12 bytes, not a probe: no payload
    Feed(Medium::Audio, headerOnly, kCallerAt);
    Feed(Medium::Audio, Media(kCallerEndpoint, 4, 4, 2), kCallerAt); // two CSRCs, 4 payload bytes: media
    Bytes csrcOnly = Media(kCallerEndpoint, 5, 0, 3);                // all header, nothing after
    Feed(Medium::Audio, csrcOnly, kCallerAt);
    Feed(Medium::Audio, Bytes{}, kCallerAt);
    EXPECT_EQ(m_sent.size(), 1u) << "only the packet with 4 payload bytes after its CSRCs";
    EXPECT_EQ(m_media.Dropped(), 10u);

    call.SetPhase(CallPhase::Ended, m_now);
    Feed(Medium::Audio, Media(kCallerEndpoint, 6), kCallerAt);
    EXPECT_EQ(m_sent.size(), 1u);
    m_media.Sweep();
    m_calls.Remove(call.id);
    Feed(Medium::Audio, Media(kCallerEndpoint, 7), kCallerAt);
    EXPECT_EQ(m_sent.size(), 1u);
}

TEST_F(MediaRendezvousTest, TheEchoServiceSendsEachMediumBackUnderItsOwnSource) {
    TalkCall& call = MakeCall(true);
    const MediaAddress video{0x7F000001, 40001};
    Announce(call, Medium::Audio, kCallerEndpoint, kCallerAt);
    Feed(Medium::Video, Probe(kCallerEndpoint), video);
    EXPECT_TRUE(m_sent.empty()) << "probes are not echoed";

    const Bytes audio = Media(kCallerEndpoint, 7, 30, 1);
    Feed(Medium::Audio, audio, kCallerAt);
    Feed(Medium::Video, Media(kCallerEndpoint, 8, 512), video);
    ASSERT_EQ(m_sent.size(), 2u);
    MediaHeader h;
    ASSERT_TRUE(UnpackMediaHeader(m_sent[0].datagram.data(), m_sent[0].datagram.size(), h));
    EXPECT_EQ(m_sent[0].to, kCallerAt);
    EXPECT_EQ(h.versionByte, kMediaVersionByte) << "the contributing source is dropped";
    EXPECT_EQ(h.payloadType, 18);
    EXPECT_EQ(h.sequence, 7);
    EXPECT_EQ(h.timestamp, 240u * 7);
    EXPECT_EQ(h.ssrc, call.id);
    EXPECT_EQ(Bytes(m_sent[0].datagram.begin() + 12, m_sent[0].datagram.end()),
              Bytes(audio.begin() + 16, audio.end()));
    EXPECT_EQ(m_sent[1].medium, Medium::Video);
    EXPECT_EQ(m_sent[1].to, video);
    EXPECT_EQ(m_sent[1].datagram.size(), 12u + 512u);
    EXPECT_EQ(m_media.Stats().echoed, 2u);
}

} // namespace
} // namespace orv
