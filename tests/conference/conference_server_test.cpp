// The conference server and its media without sockets: a room of four driven through real
// packets, as the links and media ports would hand them in, and everything the server sends
// collected and read back.
#include "client/audio/codecs/audio_codec.h"
#include "client/audio/codecs/pcm_bytes.h"
#include "server/conference_media.h"
#include "server/conference_server.h"
#include "server/server_log.h"
#include "wire/byte_order.h"
#include "wire/media_header.h"
#include "wire/packet_header.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace orv {
namespace {

constexpr std::uint32_t kEndpoints[kConfSeats] = {11, 22, 33, 44};
constexpr int kCodecs[kConfSeats] = {kCodecG711ALaw, kCodecG711MuLaw, kCodecG711ALaw, kCodecG711MuLaw};

struct Sent {
    LinkHandle link;
    PacketHeader header;
    std::vector<std::uint8_t> packet;
};

class ConferenceServerTest : public ::testing::Test {
protected:
    ConferenceServerTest()
        : m_server(
              m_rooms, Config(),
              [this](LinkHandle link, const std::vector<std::uint8_t>& p) {
                  PacketHeader h;
                  EXPECT_TRUE(ReadPacketHeader(p.data(), p.size(), &h));
                  EXPECT_EQ(h.length, p.size());
                  m_sent.push_back({link, h, p});
                  return true;
              },
              [this](LinkHandle link) { m_closed.push_back(link); }, [this](const std::string& l) { m_lines.push_back(l); }),
          m_media(m_rooms, [this](Medium medium, const std::vector<std::uint8_t>& d, const MediaAddress& to) {
              m_datagrams[{static_cast<int>(medium), to.port}].push_back(d);
          }) {
        SetServerLogEnabled(false);
    }
    static ConferenceServerConfig Config() {
        ConferenceServerConfig c;
        c.audio = {0x7F000001, 6000};
        c.video = {0x7F000001, 6001};
        c.idleRoomMs = 60000;
        return c;
    }

    // A room whose four seats are taken (the chairman and three invited), all linked.
    ConfRoom& FullRoom() {
        ConfRoom& room = m_rooms.Create(m_now);
        for (int i = 0; i < kConfSeats; ++i) {
            m_rooms.TakeSeat(room, i, "800" + std::to_string(i + 1), kEndpoints[i], m_now);
            m_server.OnAccepted(Link(i), m_now);
            CallSetup setup;
            setup.callId = room.id;
            setup.endpoint = kEndpoints[i];
            setup.audioCapt.count = setup.audioPlay.count = 1;
            setup.audioCapt.ids[0] = setup.audioPlay.ids[0] = static_cast<std::uint8_t>(kCodecs[i]);
            if (i == 1) { // the only camera
                setup.videoCapt.count = setup.videoPlay.count = 1;
                setup.videoCapt.ids[0] = setup.videoPlay.ids[0] = 1;
            }
            Deliver(i, BuildCallSetup(1, setup));
        }
        return room;
    }
    static LinkHandle Link(int seat) { return static_cast<LinkHandle>(seat + 1); }
    void Deliver(int seat, const std::vector<std::uint8_t>& p) { m_server.OnMessage(Link(seat), p.data(), p.size(), m_now); }
    // Messages of a type sent to a seat since the last call, taken out.
    std::vector<Sent> Take(int seat, std::uint16_t type) {
        std::vector<Sent> out, rest;
        for (Sent& s : m_sent) (s.link == Link(seat) && s.header.type == type ? out : rest).push_back(std::move(s));
        m_sent = std::move(rest);
        return out;
    }
    void Speak(int seat, Medium medium, const std::vector<std::uint8_t>& payload, std::uint16_t seq) {
        MediaHeader h;
        h.payloadType = 8;
        h.sequence = seq;
        h.ssrc = kEndpoints[seat];
        std::vector<std::uint8_t> d(kMediaHeaderBytes);
        PackMediaHeader(h, d.data());
        d.insert(d.end(), payload.begin(), payload.end());
        m_media.OnDatagram(medium, d.data(), d.size(), From(seat), m_now);
    }
    // Datagrams sent to a seat's media address of a medium (0 audio, 1 video).
    std::vector<std::vector<std::uint8_t>>& Got(int medium, int seat) { return m_datagrams[{medium, From(seat).port}]; }
    static MediaAddress From(int seat) { return {0x7F000001, static_cast<std::uint16_t>(40000 + 2 * seat)}; }

    ConfRoomTable m_rooms;
    ConferenceServer m_server;
    ConferenceMedia m_media;
    std::vector<Sent> m_sent;
    std::vector<LinkHandle> m_closed;
    std::vector<std::string> m_lines;
    std::map<std::pair<int, std::uint16_t>, std::vector<std::vector<std::uint8_t>>> m_datagrams;
    std::uint32_t m_now = 1000;
};

// A block of a constant level in a codec.
std::vector<std::uint8_t> Level(int codec, std::int16_t level) {
    std::vector<std::uint8_t> pcm(kMixBlockSamples * 2);
    for (std::size_t i = 0; i < kMixBlockSamples; ++i) WriteSample(pcm.data() + 2 * i, level);
    auto c = CreateAudioCodec(codec);
    std::uint32_t in = static_cast<std::uint32_t>(pcm.size()), size = c->EncodedSize(in);
    std::vector<std::uint8_t> out(size);
    c->Encode(pcm.data(), in, out.data(), size);
    return out;
}

std::int16_t DecodedLevel(int codec, const std::vector<std::uint8_t>& packet) {
    auto c = CreateAudioCodec(codec);
    std::vector<std::uint8_t> pcm(kMixBlockSamples * 2);
    std::uint32_t in = static_cast<std::uint32_t>(packet.size() - kMediaHeaderBytes), size = static_cast<std::uint32_t>(pcm.size());
    c->Decode(packet.data() + kMediaHeaderBytes, in, pcm.data(), size);
    return ReadSample(pcm.data() + 100);
}

TEST_F(ConferenceServerTest, RoomOfFourSignalsMixesAndEnds) {
    ConfRoom& room = FullRoom();
    for (int i = 0; i < kConfSeats; ++i) ASSERT_EQ(Take(i, kPktCallAccept).size(), 1u) << i;
    // The chairman connects; invited members ring, then answer; everyone hears of it.
    Deliver(0, BuildCallByte(kPktCallConnect, 1, room.id, 0));
    Deliver(1, BuildCallByte(kPktCallAlert, 1, room.id, 0));
    ASSERT_EQ(Take(0, kPktConfAlert).size(), 1u);
    for (int i = 1; i < kConfSeats; ++i) Deliver(i, BuildCallByte(kPktCallConnect, 1, room.id, 0));
    std::array<ConfSeatEntry, kConfSeats> status;
    const std::vector<Sent> statuses = Take(3, kPktConfStatus);
    ASSERT_EQ(statuses.size(), 1u);
    ASSERT_TRUE(ParseConfStatus(statuses[0].packet.data(), statuses[0].packet.size(), &status));
    for (int i = 0; i < kConfSeats; ++i) EXPECT_EQ(status[i].status, kSeatConnected) << i;
    EXPECT_NE(status[1].media[1], 0); // the member with a camera sends video
    EXPECT_EQ(Take(0, kPktConfConnect).size(), 3u);
    EXPECT_EQ(Take(3, kPktConfConnect).size(), 0u); // nobody hears of its own connect...
    EXPECT_EQ(Take(1, kPktConfConnect).size(), 2u); // ...but of those after its own

    // Everyone's media are learned from a probe; each speaks a level of its own.
    for (int i = 0; i < kConfSeats; ++i) {
        std::uint8_t probe[kMediaHeaderBytes];
        PackProbe(kEndpoints[i], probe);
        m_media.OnDatagram(Medium::Audio, probe, sizeof probe, From(i), m_now);
        m_media.OnDatagram(Medium::Video, probe, sizeof probe, From(i), m_now);
    }
    const std::int16_t levels[kConfSeats] = {1000, 2000, 4000, 8000};
    for (std::uint16_t block = 0; block < 4; ++block) {
        for (int i = 0; i < kConfSeats; ++i) Speak(i, Medium::Audio, Level(kCodecs[i], levels[i]), block);
        m_media.MixAll();
    }
    for (int i = 0; i < kConfSeats; ++i) {
        const auto& packets = Got(0, i);
        ASSERT_EQ(packets.size(), 4u) << i;
        std::int32_t others = 0;
        for (int j = 0; j < kConfSeats; ++j) others += j == i ? 0 : levels[j];
        MediaHeader first, last;
        ASSERT_TRUE(UnpackMediaHeader(packets.front().data(), packets.front().size(), first));
        ASSERT_TRUE(UnpackMediaHeader(packets.back().data(), packets.back().size(), last));
        EXPECT_EQ(first.ssrc, room.id);
        EXPECT_EQ(static_cast<std::uint16_t>(last.sequence - first.sequence), 3);
        EXPECT_EQ(last.timestamp - first.timestamp, 3 * kMixBlockSamples);
        EXPECT_EQ(first.payloadType, kCodecs[i] == kCodecG711ALaw ? 8 : 0);
        // The first block waits for a second one (jitter room): silence; then the others' sum.
        EXPECT_EQ(DecodedLevel(kCodecs[i], packets.front()), kCodecs[i] == kCodecG711ALaw ? 8 : 0);
        EXPECT_NEAR(DecodedLevel(kCodecs[i], packets[1]), others, others / 16) << "seat " << i;
    }

    // Three loud members: the quiet one hears the sum cut to the 16-bit range.
    for (std::uint16_t block = 4; block < 6; ++block) {
        for (int i = 1; i < kConfSeats; ++i) Speak(i, Medium::Audio, Level(kCodecs[i], 30000), block);
        Speak(0, Medium::Audio, Level(kCodecs[0], 0), block);
        m_media.MixAll();
    }
    EXPECT_GT(room.mixer->ClippedSamples(), 0u);
    EXPECT_GT(DecodedLevel(kCodecs[0], Got(0, 0).back()), 30000);

    // Video: only the members that asked for the sender's video get it, unchanged.
    Deliver(2, BuildConfCmd(1, room.id, kConfCmdVideoRequest, 1));
    Speak(1, Medium::Video, {1, 2, 3, 4}, 7);
    EXPECT_EQ(Got(1, 2).size(), 1u);
    EXPECT_EQ(Got(1, 0).size(), 0u);
    // A stranger with a member's source from another address is not that member.
    std::vector<std::uint8_t> forged(kMediaHeaderBytes + 4);
    MediaHeader h;
    h.ssrc = kEndpoints[1];
    PackMediaHeader(h, forged.data());
    m_media.OnDatagram(Medium::Video, forged.data(), forged.size(), {0x7F000001, 50000}, m_now);
    EXPECT_EQ(Got(1, 2).size(), 1u);

    // Only the chairman removes a member; the member is told, the others see the seat go.
    Deliver(2, BuildConfCmd(1, room.id, kConfCmdKick, 3));
    EXPECT_TRUE(Take(3, kPktCallDisconnect).empty());
    Deliver(0, BuildConfCmd(1, room.id, kConfCmdKick, 3));
    const std::vector<Sent> kicked = Take(3, kPktCallDisconnect);
    ASSERT_EQ(kicked.size(), 1u);
    EXPECT_EQ(GetU32LE(kicked[0].packet.data() + 12), kConfReasonKicked);
    const std::vector<Sent> gone = Take(1, kPktConfDisconnect);
    ASSERT_EQ(gone.size(), 1u);
    ConfSeatEntry left;
    ASSERT_TRUE(ParseConfMember(kPktConfDisconnect, gone[0].packet.data(), gone[0].packet.size(), &left));
    EXPECT_EQ(left.endpoint, kEndpoints[3]);
    EXPECT_EQ(left.channel, 3);
    EXPECT_EQ(left.reason, kConfReasonKicked);
    EXPECT_TRUE(room.seats[3].Free());
    // The removed member's media have no seat now; seated in another room, they are found
    // there, and not once that room is gone.
    const std::uint64_t dropped = m_media.Dropped();
    Speak(3, Medium::Audio, {1, 2, 3, 4}, 9);
    EXPECT_EQ(m_media.Dropped(), dropped + 1);
    ConfRoom& other = m_rooms.Create(m_now);
    m_rooms.TakeSeat(other, 1, "8004", kEndpoints[3], m_now);
    int seat = -1;
    EXPECT_EQ(m_rooms.FindByEndpoint(kEndpoints[3], &seat), &other);
    EXPECT_EQ(seat, 1);
    m_rooms.Remove(other.id);
    EXPECT_EQ(m_rooms.FindByEndpoint(kEndpoints[3]), nullptr);

    // A member whose link goes frees its seat; the chairman's going ends the room.
    m_server.OnLinkGone(Link(2), m_now);
    EXPECT_TRUE(room.seats[2].Free());
    EXPECT_EQ(Take(0, kPktConfDisconnect).size(), 2u);
    m_server.OnLinkGone(Link(0), m_now);
    EXPECT_TRUE(room.ended);
    EXPECT_EQ(m_rooms.FindByEndpoint(kEndpoints[1]), nullptr) << "an ended room seats nobody";
    const std::vector<Sent> ended = Take(1, kPktCallDisconnect);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(GetU32LE(ended[0].packet.data() + 12), kConfReasonChairmanLeft);
    ASSERT_FALSE(m_lines.empty());
    EXPECT_EQ(m_lines.back().rfind("CONF id=" + std::to_string(room.id) + " chairman=8001 members=8002,8003,8004 reason=17 by=chairman", 0), 0u)
        << m_lines.back();
}

TEST_F(ConferenceServerTest, RoomsEndOrFreeSeatsWhenNobodyComes) {
    ConfRoom& idle = FullRoom();
    Deliver(0, BuildCallByte(kPktCallConnect, 1, idle.id, 0));
    // The invited never answer: their seats go after the ringing limit, then the room, with
    // nobody but its chairman in it, ends after the idle time.
    m_now += 121000;
    m_server.OnTimer(m_now);
    for (int i = 1; i < kConfSeats; ++i) EXPECT_TRUE(idle.seats[i].Free()) << i;
    EXPECT_FALSE(idle.ended);
    m_now += 61000;
    m_server.OnTimer(m_now);
    EXPECT_TRUE(idle.ended);
    EXPECT_EQ(m_lines.back().find("reason=21 by=server") != std::string::npos, true) << m_lines.back();

    // A chairman that never connects: the room ends.
    ConfRoom& never = m_rooms.Create(m_now);
    never.seats[0].status = kSeatInvited;
    never.seats[0].endpoint = 99;
    m_now += 46000;
    m_server.OnTimer(m_now);
    EXPECT_TRUE(never.ended);
    // Ended rooms are forgotten after a while; a late CallSetup hears the room is gone.
    m_now += 61000;
    m_server.OnTimer(m_now);
    EXPECT_EQ(m_rooms.Size(), 0u);
}

} // namespace
} // namespace orv
