// The talk server's conversation driven message by message: which party gets what, with
// which codecs and addresses, and what a hostile or broken link gets.
#include "server/talk_server.h"

#include "tests/server/test_folder.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr LinkHandle kCallerLink = 101;
constexpr LinkHandle kCalledLink = 102;
constexpr LinkHandle kOtherLink = 103;
constexpr std::uint32_t kCallerEndpoint = 11;
constexpr std::uint32_t kCalledEndpoint = 22;
const MediaAddress kAudioRendezvous{0x7F000001, 5000};
const MediaAddress kVideoRendezvous{0x7F000001, 5001};

CodecList Codecs(std::initializer_list<std::uint8_t> ids) {
    CodecList list;
    for (std::uint8_t id : ids) list.ids[list.count++] = id;
    return list;
}

std::uint16_t TypeOf(const Bytes& p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32At(const Bytes& p, std::size_t at) {
    ByteReader r(p.data() + at, 4);
    return r.U32LE();
}

class TalkServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_records = TalkRecords::Open(m_folder.File("calls.db"), &error);
        ASSERT_TRUE(m_records) << error;
        TalkServerConfig config;
        config.rendezvous.audio = kAudioRendezvous;
        config.rendezvous.video = kVideoRendezvous;
        config.maxLinks = 8;
        m_server = std::make_unique<TalkServer>(
            m_calls, m_records.get(), m_echo, config,
            [this](LinkHandle link, const Bytes& packet) {
                m_sent.push_back({link, packet});
                return true;
            },
            [this](LinkHandle link) { m_closed.push_back(link); },
            [this](const std::string& line) { m_reports.push_back(line); });
        for (LinkHandle link : {kCallerLink, kCalledLink, kOtherLink}) m_server->OnAccepted(link, m_now);
    }

    TalkCall& MakeCall(bool echo = false) {
        TalkCall& call = m_calls.Create(m_now);
        call.Party(Side::Caller).number = "8001";
        call.Party(Side::Caller).endpoint = kCallerEndpoint;
        call.Party(Side::Called).number = echo ? "9999" : "8002";
        call.Party(Side::Called).endpoint = echo ? 0 : kCalledEndpoint;
        call.echo = echo;
        call.recordId = m_records->Begin(call.id, "8001", call.Party(Side::Called).number);
        return call;
    }

    void Deliver(LinkHandle link, const Bytes& packet) { m_server->OnMessage(link, packet.data(), packet.size(), m_now); }

    void SetUpParty(LinkHandle link, std::uint32_t callId, std::uint32_t endpoint, const CodecList& capt,
                    const CodecList& play, std::uint32_t seq = 7) {
        CallSetup s;
        s.callId = callId;
        s.endpoint = endpoint;
        s.audioCapt = capt;
        s.audioPlay = play;
        s.frameRate = 15;
        s.flowRate = 128;
        s.videoFormat = 2;
        Deliver(link, BuildCallSetup(seq, s));
    }

    void SetUpBoth(const TalkCall& call) {
        SetUpParty(kCallerLink, call.id, kCallerEndpoint, Codecs({4, 1}), Codecs({4, 1}));
        SetUpParty(kCalledLink, call.id, kCalledEndpoint, Codecs({4, 1}), Codecs({4, 1}));
        m_sent.clear();
    }

    // Packets sent to a link, of one type (any type when 0xFFFF).
    std::vector<Bytes> SentTo(LinkHandle link, std::uint16_t type = 0xFFFF) const {
        std::vector<Bytes> out;
        for (const auto& s : m_sent) {
            if (s.link == link && (type == 0xFFFF || TypeOf(s.packet) == type)) out.push_back(s.packet);
        }
        return out;
    }

    struct Sent {
        LinkHandle link;
        Bytes packet;
    };
    TestFolder m_folder;
    TalkCallTable m_calls;
    EchoService m_echo{"9999"};
    std::unique_ptr<TalkRecords> m_records;
    std::unique_ptr<TalkServer> m_server;
    std::vector<Sent> m_sent;
    std::vector<LinkHandle> m_closed;
    std::vector<std::string> m_reports;
    std::uint32_t m_now = 1000;
};

TEST_F(TalkServerTest, CallAcceptWaitsForBothSetupsAndCarriesEachSidesFirstCommonCodecs) {
    TalkCall& call = MakeCall();
    SetUpParty(kCallerLink, call.id, kCallerEndpoint, Codecs({4, 2, 1}), Codecs({1, 2, 4}), 31);
    EXPECT_TRUE(SentTo(kCallerLink).empty()) << "no answer before the called side set up";
    SetUpParty(kCalledLink, call.id, kCalledEndpoint, Codecs({2, 1}), Codecs({2, 4}), 57);

    const auto toCaller = SentTo(kCallerLink, kPktCallAccept);
    const auto toCalled = SentTo(kCalledLink, kPktCallAccept);
    ASSERT_EQ(toCaller.size(), 1u);
    ASSERT_EQ(toCalled.size(), 1u);
    EXPECT_EQ(U32At(toCaller[0], 4), 31u) << "the answer carries the setup's sequence number";
    EXPECT_EQ(U32At(toCalled[0], 4), 57u);
    MediaParams a, b;
    ASSERT_TRUE(ParseCallAccept(toCaller[0].data(), toCaller[0].size(), &a));
    ASSERT_TRUE(ParseCallAccept(toCalled[0].data(), toCalled[0].size(), &b));
    EXPECT_EQ(a.audioCapt, 4); // caller sends its first codec the called side plays
    EXPECT_EQ(a.audioPlay, 2); // and hears the called side's first that it plays
    EXPECT_EQ(b.audioCapt, 2);
    EXPECT_EQ(b.audioPlay, 4);
    EXPECT_EQ(a.frameRate, 15);
    EXPECT_EQ(a.flowRate, 128);
    EXPECT_EQ(a.videoFormat, 2);
    EXPECT_EQ(a.peerAudio, kAudioRendezvous) << "nothing learned yet: media go through the rendezvous";
    EXPECT_EQ(b.peerVideo, kVideoRendezvous);
    EXPECT_EQ(call.phase, CallPhase::Accepted);

    // A repeated setup gets the same answer again, and nothing goes to the other side.
    m_sent.clear();
    SetUpParty(kCalledLink, call.id, kCalledEndpoint, Codecs({2, 1}), Codecs({2, 4}), 58);
    EXPECT_EQ(SentTo(kCalledLink, kPktCallAccept).size(), 1u);
    EXPECT_TRUE(SentTo(kCallerLink).empty());
}

TEST_F(TalkServerTest, NoCommonAudioCodecEndsTheCallWithNegotiationFailure) {
    TalkCall& call = MakeCall();
    SetUpParty(kCallerLink, call.id, kCallerEndpoint, Codecs({4}), Codecs({4}));
    SetUpParty(kCalledLink, call.id, kCalledEndpoint, Codecs({1}), Codecs({1}));
    for (LinkHandle link : {kCallerLink, kCalledLink}) {
        const auto d = SentTo(link, kPktCallDisconnect);
        ASSERT_EQ(d.size(), 1u);
        EXPECT_EQ(U32At(d[0], 12), kDisconnectNegotiation);
        EXPECT_TRUE(SentTo(link, kPktCallAccept).empty());
    }
    EXPECT_FALSE(call.Active());
}

TEST_F(TalkServerTest, SignalsPassBetweenThePartiesAndTheRecordFollows) {
    TalkCall& call = MakeCall();
    SetUpBoth(call);
    Deliver(kCalledLink, BuildCallByte(kPktCallAlert, 1, call.id, 0));
    ASSERT_EQ(SentTo(kCallerLink, kPktCallAlert).size(), 1u);
    EXPECT_EQ(U32At(SentTo(kCallerLink, kPktCallAlert)[0], 8), call.id);
    EXPECT_EQ(call.phase, CallPhase::Alerting);

    Deliver(kCalledLink, BuildCallByte(kPktCallConnect, 2, call.id, 0));
    EXPECT_EQ(SentTo(kCallerLink, kPktCallConnect).size(), 1u);
    EXPECT_TRUE(call.answered);

    Deliver(kCallerLink, BuildCallByte(kPktCallPauseVideo, 3, call.id, 1));
    const auto pause = SentTo(kCalledLink, kPktCallPauseVideo);
    ASSERT_EQ(pause.size(), 1u);
    EXPECT_EQ(pause[0][12], 1);

    m_sent.clear();
    Deliver(kCalledLink, BuildCallReason(kPktCallDisconnect, 4, call.id, 0));
    const auto bye = SentTo(kCallerLink, kPktCallDisconnect);
    ASSERT_EQ(bye.size(), 1u);
    EXPECT_EQ(U32At(bye[0], 12), 0u);
    EXPECT_TRUE(SentTo(kCalledLink).empty()) << "the side that hung up hears nothing back";
    EXPECT_FALSE(call.Active());
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0], "CALL id=" + std::to_string(call.id) +
                                " caller=8001 called=8002 original= result=answered reason=0 by=called digits=");
    const auto records = m_records->Latest(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].result, "answered");
    EXPECT_NE(records[0].answered, 0);
    EXPECT_NE(records[0].ended, 0);
    EXPECT_EQ(records[0].endedBy, "called");

    // Messages of an ended call change nothing.
    m_sent.clear();
    Deliver(kCallerLink, BuildCallByte(kPktCallAlert, 5, call.id, 0));
    EXPECT_TRUE(m_sent.empty());
}

TEST_F(TalkServerTest, UnansweredCallsAreRecordedByHowTheyEnded) {
    TalkCall& refused = MakeCall();
    SetUpBoth(refused);
    Deliver(kCalledLink, BuildCallReason(kPktCallDisconnect, 1, refused.id, 2));
    EXPECT_NE(m_reports.back().find("result=refused reason=2"), std::string::npos) << m_reports.back();

    EXPECT_STREQ(CallResult(refused, 16, "called"), "no-answer");
    EXPECT_STREQ(CallResult(refused, 1, "called"), "busy");
    EXPECT_STREQ(CallResult(refused, 0, "caller"), "cancelled");
    EXPECT_STREQ(CallResult(refused, kDisconnectServerHangup, "server"), "failed");
}

TEST_F(TalkServerTest, DigitsAreRecordedInOrderAndNeverPassedOn) {
    TalkCall& call = MakeCall();
    SetUpBoth(call);
    Deliver(kCallerLink, BuildCallDtmf(1, call.id, "123456789012345"));
    Deliver(kCallerLink, BuildCallDtmf(2, call.id, "6x#"));
    EXPECT_TRUE(m_sent.empty()) << "digits only go from a client to the server";
    EXPECT_EQ(call.digits, "1234567890123456#");
    ASSERT_EQ(m_reports.size(), 2u);
    EXPECT_EQ(m_reports[1], "DTMF call=" + std::to_string(call.id) + " from=8001 digits=6#");
    Deliver(kCallerLink, BuildCallReason(kPktCallDisconnect, 3, call.id, 0));
    EXPECT_EQ(m_records->Latest(1)[0].digits, "1234567890123456#");
}

TEST_F(TalkServerTest, KeepAlivesAreAnsweredWithTheirSequenceNumberOnAnyLink) {
    Deliver(kOtherLink, BuildTalkKeepAlive(77, 1234));
    Deliver(kOtherLink, BuildHeaderOnly(kPktTalkKeepAlive, 78));
    const auto answers = SentTo(kOtherLink, kPktTalkKeepAlive);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0], BuildTalkKeepAlive(77, 1234));
    EXPECT_EQ(answers[1], BuildHeaderOnly(kPktTalkKeepAlive, 78));
}

TEST_F(TalkServerTest, HostileMessagesAreDroppedOrRefused) {
    TalkCall& call = MakeCall();
    // Not bound yet: a signal on the link reaches nobody.
    Deliver(kOtherLink, BuildCallByte(kPktCallAlert, 1, call.id, 0));
    EXPECT_TRUE(m_sent.empty());
    // A setup for a call that does not exist, or from an endpoint that is no party.
    SetUpParty(kOtherLink, call.id + 1, kCallerEndpoint, Codecs({4}), Codecs({4}));
    SetUpParty(kOtherLink, call.id, 999, Codecs({4}), Codecs({4}));
    const auto refusals = SentTo(kOtherLink, kPktCallDisconnect);
    ASSERT_EQ(refusals.size(), 2u);
    EXPECT_EQ(U32At(refusals[0], 12), kDisconnectEstablishFailure);
    EXPECT_EQ(call.Party(Side::Caller).link, 0u);

    SetUpBoth(call);
    // Another call's identifier, a wrong size, a length field that lies, an unknown type.
    Deliver(kCalledLink, BuildCallByte(kPktCallAlert, 2, call.id + 1, 0));
    Bytes shortAlert = BuildCallByte(kPktCallAlert, 3, call.id, 0);
    shortAlert.pop_back();
    shortAlert[2] = static_cast<std::uint8_t>(shortAlert.size());
    Deliver(kCalledLink, shortAlert);
    Bytes lying = BuildCallByte(kPktCallAlert, 4, call.id, 0);
    lying[2] = 200;
    Deliver(kCalledLink, lying);
    Deliver(kCalledLink, BuildCallByte(0x0A0E, 5, call.id, 0));
    Deliver(kCalledLink, {0x03, 0x0A});
    EXPECT_TRUE(m_sent.empty());
    EXPECT_EQ(call.phase, CallPhase::Accepted);

    m_server->OnOversizeFrame(kCalledLink, 1u << 20);
    m_server->OnOversizeFrame(kCalledLink, 1u << 21);
    Deliver(kCalledLink, BuildCallByte(kPktCallAlert, 6, call.id, 0));
    EXPECT_EQ(m_closed, std::vector<LinkHandle>{kCalledLink}) << "closed once";
    EXPECT_TRUE(m_sent.empty()) << "a link being closed speaks no more";
    m_server->OnLinkGone(kCalledLink, m_now);
    EXPECT_EQ(U32At(SentTo(kCallerLink, kPktCallDisconnect).at(0), 12), kDisconnectNetwork);
}

TEST_F(TalkServerTest, ALostLinkEndsTheCallAndTellsThePeer) {
    TalkCall& call = MakeCall();
    SetUpBoth(call);
    m_server->OnLinkGone(kCalledLink, m_now);
    const auto bye = SentTo(kCallerLink, kPktCallDisconnect);
    ASSERT_EQ(bye.size(), 1u);
    EXPECT_EQ(U32At(bye[0], 12), kDisconnectNetwork);
    EXPECT_FALSE(call.Active());
    // A late setup of an ended call hears how it ended.
    m_sent.clear();
    SetUpParty(kOtherLink, call.id, kCalledEndpoint, Codecs({4}), Codecs({4}));
    const auto late = SentTo(kOtherLink, kPktCallDisconnect);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(U32At(late[0], 12), kDisconnectNetwork);
}

TEST_F(TalkServerTest, AHeldCallGoesOnToTheForwardToPartyAndBothGetCallAccept) {
    TalkCall& call = MakeCall();
    SetUpBoth(call);
    Deliver(kCalledLink, BuildCallByte(kPktCallAlert, 1, call.id, 0));
    Deliver(kCalledLink, BuildCallReason(kPktCallHold, 2, call.id, 1));
    const auto hold = SentTo(kCallerLink, kPktCallHold);
    ASSERT_EQ(hold.size(), 1u);
    EXPECT_EQ(U32At(hold[0], 12), 1u);

    CallParty third;
    third.number = "8003";
    third.endpoint = 33;
    m_server->Redirect(call, third, m_now);
    EXPECT_TRUE(call.noForward);
    EXPECT_EQ(call.original, "8002");
    // The old called side speaks no more for the call; its link going ends nothing.
    m_sent.clear();
    Deliver(kCalledLink, BuildCallReason(kPktCallDisconnect, 3, call.id, 0));
    m_server->OnLinkGone(kCalledLink, m_now);
    EXPECT_TRUE(m_sent.empty());
    EXPECT_TRUE(call.Active());

    SetUpParty(kOtherLink, call.id, 33, Codecs({1}), Codecs({1, 4}));
    EXPECT_EQ(SentTo(kCallerLink, kPktCallAccept).size(), 1u) << "the caller learns its new peer";
    EXPECT_EQ(SentTo(kOtherLink, kPktCallAccept).size(), 1u);
    Deliver(kOtherLink, BuildCallByte(kPktCallConnect, 4, call.id, 0));
    EXPECT_EQ(SentTo(kCallerLink, kPktCallConnect).size(), 1u);
    Deliver(kCallerLink, BuildCallReason(kPktCallDisconnect, 5, call.id, 0));
    EXPECT_NE(m_reports.back().find("called=8003 original=8002 result=answered"), std::string::npos)
        << m_reports.back();
    EXPECT_EQ(m_records->Latest(1)[0].original, "8002");
}

TEST_F(TalkServerTest, AForwardedPartyMayNotHandTheCallOnAgain) {
    TalkCall& call = MakeCall();
    call.noForward = true;
    SetUpBoth(call);
    Deliver(kCalledLink, BuildCallReason(kPktCallHold, 1, call.id, 1));
    EXPECT_FALSE(call.Active());
    EXPECT_EQ(SentTo(kCallerLink, kPktCallDisconnect).size(), 1u);
}

TEST_F(TalkServerTest, AHoldThatComesAfterTheForwardIsStillPassedOn) {
    TalkCall& call = MakeCall();
    SetUpBoth(call);
    CallParty third;
    third.number = "8003";
    third.endpoint = 33;
    m_server->Redirect(call, third, m_now); // the forward request overtook the hold
    Deliver(kCalledLink, BuildCallReason(kPktCallHold, 1, call.id, 1));
    EXPECT_EQ(SentTo(kCallerLink, kPktCallHold).size(), 1u);
    EXPECT_TRUE(call.Active());
    EXPECT_EQ(call.phase, CallPhase::Held);
}

TEST_F(TalkServerTest, TheEchoServiceAnswersItsCallsItself) {
    TalkCall& call = MakeCall(true);
    SetUpParty(kCallerLink, call.id, kCallerEndpoint, Codecs({4, 2}), Codecs({2, 1}));
    const auto sent = SentTo(kCallerLink);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(TypeOf(sent[0]), kPktCallAccept);
    EXPECT_EQ(TypeOf(sent[1]), kPktCallAlert);
    EXPECT_EQ(TypeOf(sent[2]), kPktCallConnect);
    MediaParams p;
    ASSERT_TRUE(ParseCallAccept(sent[0].data(), sent[0].size(), &p));
    EXPECT_EQ(p.audioCapt, 2) << "it sends what it can hear back";
    EXPECT_EQ(p.audioPlay, 2);
    EXPECT_EQ(p.peerAudio, kAudioRendezvous);
    EXPECT_EQ(call.phase, CallPhase::Talking);
    Deliver(kCallerLink, BuildCallDtmf(1, call.id, "42"));
    EXPECT_EQ(call.digits, "42");
}

TEST_F(TalkServerTest, StuckCallsEndIdleLinksCloseAndEndedCallsAreForgotten) {
    TalkCall& call = MakeCall();
    const std::uint32_t id = call.id;
    SetUpParty(kCallerLink, id, kCallerEndpoint, Codecs({4}), Codecs({4}));
    m_now += 30000;
    m_server->OnTimer(m_now);
    EXPECT_TRUE(call.Active());
    m_now += 16000;
    m_server->OnTimer(m_now);
    EXPECT_FALSE(call.Active());
    const auto bye = SentTo(kCallerLink, kPktCallDisconnect);
    ASSERT_EQ(bye.size(), 1u);
    EXPECT_EQ(U32At(bye[0], 12), kDisconnectServerHangup);
    EXPECT_NE(m_reports.back().find("result=failed"), std::string::npos);
    // The two links that never served a call were idle from the start.
    std::sort(m_closed.begin(), m_closed.end());
    EXPECT_EQ(m_closed, (std::vector<LinkHandle>{kCalledLink, kOtherLink}));

    m_now += 61000;
    m_server->OnTimer(m_now);
    EXPECT_EQ(m_calls.Find(id), nullptr);
}

TEST_F(TalkServerTest, LinksBeyondTheLimitAreClosedAtOnce) {
    for (LinkHandle link = 200; link < 210; ++link) m_server->OnAccepted(link, m_now);
    EXPECT_EQ(m_server->LinkCount(), 8u);
    EXPECT_EQ(m_closed.size(), 5u);
}

} // namespace
} // namespace orv
