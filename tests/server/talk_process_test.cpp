// Calls through orvserver as a process: registrations over the user server's datagram link,
// talk-server links over TCP framed like the client's stream link, media sockets as plain
// UDP - all real sockets on 127.0.0.1.
#include "server/options_db.h"
#include "server/subscriber_db.h"
#include "server/talk_calls.h"
#include "server/talk_packets.h"
#include "tests/e2e/service_processes.h"
#include "tests/server/login_body.h"
#include "tests/server/tcp_test_client.h"
#include "tests/server/test_folder.h"
#include "tests/server/udp_test_client.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"
#include "wire/media_header.h"
#include "wire/password_digest.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <memory>

namespace orv {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWaitMs = 10000; // generous: only a broken server takes this long
constexpr int kQuietMs = 300;  // how long "nothing arrives" is watched

std::uint16_t TypeOf(const Bytes& p) { return p.size() < 2 ? 0 : static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32At(const Bytes& p, std::size_t at) { return ByteReader(p.data() + at, 4).U32LE(); }
std::uint16_t U16At(const Bytes& p, std::size_t at) { return ByteReader(p.data() + at, 2).U16LE(); }

// A media socket: plain datagrams, as a client's media socket sends them.
class MediaSocketForTest {
public:
    MediaSocketForTest() {
        m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
    }
    ~MediaSocketForTest() { close(m_fd); }
    std::uint16_t Port() const { return m_port; }
    bool Send(const Bytes& d, std::uint16_t port) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return sendto(m_fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) ==
               static_cast<ssize_t>(d.size());
    }
    bool Receive(int timeoutMs, Bytes* d) {
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) != 1) return false;
        d->resize(65536);
        const ssize_t n = recv(m_fd, d->data(), d->size(), 0);
        if (n < 0) return false;
        d->resize(static_cast<std::size_t>(n));
        return true;
    }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

// One client: its registration, its talk-server link and its media sockets.
struct Party {
    std::string number;
    std::uint32_t endpoint = 0;
    UdpTestClient user;
    TcpTestClient talk;
    MediaSocketForTest audio;
    MediaSocketForTest video;
    std::uint32_t seq = 100;
};

struct Notice {
    std::uint8_t result = 0;
    std::uint32_t callIdOrReason = 0;
    std::uint8_t role = 0;
    std::uint8_t noForward = 0;
    std::uint32_t servId = 0;
    std::uint16_t talkPort = 0;
    std::uint16_t audioPort = 0;
    std::uint16_t videoPort = 0;
};

Notice ReadNotice(const Bytes& p) {
    Notice n;
    if (p.size() != 101) return n;
    n.result = p[8];
    n.callIdOrReason = U32At(p, 9);
    n.role = p[8 + 69];
    n.noForward = p[8 + 70];
    n.servId = U32At(p, 8 + 71);
    n.talkPort = U16At(p, 8 + 79);
    n.audioPort = U16At(p, 8 + 85);
    n.videoPort = U16At(p, 8 + 91);
    return n;
}

CodecList Codecs(std::initializer_list<std::uint8_t> ids) {
    CodecList list;
    for (std::uint8_t id : ids) list.ids[list.count++] = id;
    return list;
}

class TalkProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string address;
        ASSERT_TRUE(StartServerProcess(m_server, m_home.Path(), {"--nat-interval", "0"}, kWaitMs, &address))
            << m_server.Output();
        ASSERT_EQ(address.rfind("127.0.0.1:", 0), 0u) << address;
        m_userPort = PortOf(address);
        std::string line;
        ASSERT_TRUE(m_server.WaitForLine("LISTEN talk tcp 127.0.0.1:", kWaitMs, &line)) << m_server.Output();
        m_talkPort = PortOf(line);
        ASSERT_TRUE(m_server.WaitForLine("LISTEN audio udp 127.0.0.1:", kWaitMs, &line));
        m_audioPort = PortOf(line);
        ASSERT_TRUE(m_server.WaitForLine("LISTEN video udp 127.0.0.1:", kWaitMs, &line));
        m_videoPort = PortOf(line);
        std::string error;
        m_db = SubscriberDb::Open(m_home.File(kSubscriberDbName), &error);
        ASSERT_TRUE(m_db) << error;
        m_options = std::make_unique<OptionsDb>(*m_db);
    }

    // Waits for the next user-server packet of a type, skipping others (presence and such).
    Bytes AwaitUser(Party& p, std::uint16_t type) {
        Bytes answer;
        while (p.user.Receive(kWaitMs, &answer)) {
            if (TypeOf(answer) == type) return answer;
        }
        return {};
    }

    // True when no establish notice reaches the party for a while.
    bool NoNotice(Party& p) {
        Bytes m;
        while (p.user.Receive(kQuietMs, &m)) {
            if (TypeOf(m) == kPktTalkEstablish) return false;
        }
        return true;
    }

    void LogOn(Party& p, const std::string& number, const std::string& password) {
        p.number = number;
        const Bytes body = LoginBody(number, PasswordDigest(number, password));
        ASSERT_TRUE(p.user.Send(BuildPacket(kPktLogin, p.seq++, body), m_userPort));
        const Bytes answer = AwaitUser(p, kPktLogin);
        ASSERT_EQ(answer.size(), 13u);
        ASSERT_EQ(answer[8], 0);
        p.endpoint = U32At(answer, 9);
    }

    void RequestTalk(Party& p, const std::string& called) {
        ByteWriter w;
        w.Text(p.number, 32);
        w.Text(called, 32);
        ASSERT_TRUE(p.user.Send(BuildPacket(kPktTalkRequest, p.seq++, w.Get()), m_userPort));
    }

    // The caller's request and both notices; returns the CallID.
    std::uint32_t Call(Party& caller, Party& called) {
        RequestTalk(caller, called.number);
        const Notice mine = ReadNotice(AwaitUser(caller, kPktTalkEstablish));
        const Notice theirs = ReadNotice(AwaitUser(called, kPktTalkEstablish));
        EXPECT_EQ(mine.result, 0);
        EXPECT_EQ(mine.role, kRoleCaller);
        EXPECT_EQ(theirs.role, kRoleCalled);
        EXPECT_EQ(mine.callIdOrReason, theirs.callIdOrReason);
        EXPECT_EQ(mine.talkPort, m_talkPort);
        EXPECT_EQ(mine.audioPort, m_audioPort) << "the rendezvous is the peer's media address";
        EXPECT_EQ(theirs.videoPort, m_videoPort);
        return mine.callIdOrReason;
    }

    // Connects, announces both media sockets and sets up with G.729 then G.711 A-law.
    void Join(Party& p, std::uint32_t callId) {
        ASSERT_TRUE(p.talk.Connect(m_talkPort));
        for (std::uint8_t channel : {kChannelAudio, kChannelVideo}) {
            UdpChannelOpen open;
            open.callId = callId;
            open.channel = channel;
            open.subnet = 0x7F000000;
            open.endpoint = p.endpoint;
            open.local = {0x7F000001, channel == kChannelAudio ? p.audio.Port() : p.video.Port()};
            MediaSocketForTest& socket = channel == kChannelAudio ? p.audio : p.video;
            ASSERT_TRUE(socket.Send(BuildOpenUdpChannel(1, open), channel == kChannelAudio ? m_audioPort : m_videoPort));
        }
        CallSetup s;
        s.callId = callId;
        s.endpoint = p.endpoint;
        s.audioCapt = Codecs({4, 1});
        s.audioPlay = Codecs({4, 1});
        ASSERT_TRUE(p.talk.Send(BuildCallSetup(p.seq++, s)));
    }

    MediaParams AwaitAccept(Party& p) {
        Bytes accept;
        MediaParams params;
        EXPECT_TRUE(p.talk.ReceiveType(kPktCallAccept, kWaitMs, &accept)) << m_server.Output();
        EXPECT_TRUE(ParseCallAccept(accept.data(), accept.size(), &params));
        return params;
    }

    void Signal(Party& p, std::uint16_t type, std::uint32_t callId, std::uint32_t value) {
        const bool reason = type == kPktCallDisconnect || type == kPktCallHold;
        ASSERT_TRUE(p.talk.Send(reason ? BuildCallReason(type, p.seq++, callId, value)
                                       : BuildCallByte(type, p.seq++, callId, static_cast<std::uint8_t>(value))));
    }

    TestFolder m_home;
    ChildProcess m_server;
    std::uint16_t m_userPort = 0, m_talkPort = 0, m_audioPort = 0, m_videoPort = 0;
    std::unique_ptr<SubscriberDb> m_db;
    std::unique_ptr<OptionsDb> m_options;
};

TEST_F(TalkProcessTest, ACallRingsIsAnsweredCarriesDigitsAndEndsWithARecord) {
    Party a, b;
    LogOn(a, "8001", "1111");
    LogOn(b, "8002", "2222");
    const std::uint32_t callId = Call(a, b);
    Join(a, callId);
    Join(b, callId);
    const MediaParams toA = AwaitAccept(a);
    const MediaParams toB = AwaitAccept(b);
    EXPECT_EQ(toA.audioCapt, 4);
    EXPECT_EQ(toA.audioPlay, 4);
    EXPECT_EQ(toA.peerAudio, (MediaAddress{0x7F000001, b.audio.Port()})) << "the peer's learned address";
    EXPECT_EQ(toA.peerVideo, (MediaAddress{0x7F000001, b.video.Port()}));
    EXPECT_EQ(toB.peerAudio, (MediaAddress{0x7F000001, a.audio.Port()}));

    Bytes m;
    Signal(b, kPktCallAlert, callId, 0);
    ASSERT_TRUE(a.talk.ReceiveType(kPktCallAlert, kWaitMs, &m));
    Signal(b, kPktCallConnect, callId, 0);
    ASSERT_TRUE(a.talk.ReceiveType(kPktCallConnect, kWaitMs, &m));
    EXPECT_EQ(U32At(m, 8), callId);

    // Keep-alives are answered with their own sequence number.
    ASSERT_TRUE(a.talk.Send(BuildTalkKeepAlive(4321, callId)));
    ASSERT_TRUE(a.talk.ReceiveType(kPktTalkKeepAlive, kWaitMs, &m));
    EXPECT_EQ(m, BuildTalkKeepAlive(4321, callId));

    // Digits reach the server in order, 15 to a message, and nobody else.
    ASSERT_TRUE(a.talk.Send(BuildCallDtmf(a.seq++, callId, "123456789012345")));
    ASSERT_TRUE(a.talk.Send(BuildCallDtmf(a.seq++, callId, "6")));
    ASSERT_TRUE(m_server.WaitForLine("DTMF call=" + std::to_string(callId) + " from=8001 digits=123456789012345",
                                     kWaitMs));
    ASSERT_TRUE(m_server.WaitForLine("DTMF call=" + std::to_string(callId) + " from=8001 digits=6", kWaitMs));
    EXPECT_FALSE(b.talk.Receive(kQuietMs, &m)) << "unexpected 0x" << std::hex << TypeOf(m);

    // A third party finds both busy.
    Party c;
    LogOn(c, "8003", "3333");
    RequestTalk(c, "8002");
    const Notice busy = ReadNotice(AwaitUser(c, kPktTalkEstablish));
    EXPECT_EQ(busy.result, 255);
    EXPECT_EQ(static_cast<std::int32_t>(busy.callIdOrReason), kReasonBusy);

    Signal(a, kPktCallDisconnect, callId, 0);
    ASSERT_TRUE(b.talk.ReceiveType(kPktCallDisconnect, kWaitMs, &m));
    EXPECT_EQ(U32At(m, 12), 0u);
    std::string line;
    ASSERT_TRUE(m_server.WaitForLine("CALL id=" + std::to_string(callId), kWaitMs, &line));
    EXPECT_NE(line.find("caller=8001 called=8002 original= result=answered reason=0 by=caller digits=1234567890123456"),
              std::string::npos)
        << line;
    ASSERT_TRUE(m_server.WriteLine("calls 5"));
    EXPECT_TRUE(m_server.WaitForText("call=" + std::to_string(callId) + " caller=8001 called=8002", kWaitMs));
    EXPECT_TRUE(m_server.WaitForText("call=0 caller=8003 called=8002 original= ", kWaitMs)) << "the refusal";
    EXPECT_TRUE(m_server.WaitForLine("ADMIN ok calls", kWaitMs));

    // A stop with links still open is clean (a sanitizer build checks for leaks here).
    ASSERT_TRUE(m_server.WriteLine("quit"));
    int status = -1;
    ASSERT_TRUE(m_server.WaitExit(kWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(TalkProcessTest, RefusalsNameTheReasonAndAnOfflineNumberGetsTheCallRecorded) {
    Party a;
    LogOn(a, "8001", "1111");
    RequestTalk(a, "8003"); // a subscriber, not logged on
    Notice n = ReadNotice(AwaitUser(a, kPktTalkEstablish));
    EXPECT_EQ(n.result, 255);
    EXPECT_EQ(static_cast<std::int32_t>(n.callIdOrReason), kReasonOffline);
    std::vector<OfflineCall> offline;
    ASSERT_TRUE(m_options->PeekOfflineCalls("8003", &offline)) << m_options->LastError();
    ASSERT_EQ(offline.size(), 1u);
    EXPECT_EQ(offline[0].caller, "8001");

    RequestTalk(a, "7777");
    n = ReadNotice(AwaitUser(a, kPktTalkEstablish));
    EXPECT_EQ(static_cast<std::int32_t>(n.callIdOrReason), kReasonUnknownNumber);
    RequestTalk(a, "8001");
    n = ReadNotice(AwaitUser(a, kPktTalkEstablish));
    EXPECT_EQ(static_cast<std::int32_t>(n.callIdOrReason), kReasonBusy) << "nobody calls himself";
    EXPECT_TRUE(m_server.WaitForText("called=8003 original= result=offline reason=-10", kWaitMs));

    // A request from an address that holds no registration gets no answer at all.
    Party stranger;
    stranger.number = "8002";
    RequestTalk(stranger, "8001");
    Bytes nothing;
    EXPECT_FALSE(stranger.user.Receive(kQuietMs, &nothing));
}

TEST_F(TalkProcessTest, TheEchoServiceAnswersAndSendsTheCallersMediaBack) {
    Party a;
    LogOn(a, "8001", "1111");
    RequestTalk(a, "9999");
    const Notice n = ReadNotice(AwaitUser(a, kPktTalkEstablish));
    ASSERT_EQ(n.result, 0);
    Join(a, n.callIdOrReason);
    const MediaParams p = AwaitAccept(a);
    EXPECT_EQ(p.peerAudio, (MediaAddress{0x7F000001, m_audioPort}));
    Bytes m;
    ASSERT_TRUE(a.talk.ReceiveType(kPktCallAlert, kWaitMs, &m));
    ASSERT_TRUE(a.talk.ReceiveType(kPktCallConnect, kWaitMs, &m));

    for (Medium medium : {Medium::Audio, Medium::Video}) {
        MediaSocketForTest& socket = medium == Medium::Audio ? a.audio : a.video;
        const std::uint16_t port = medium == Medium::Audio ? m_audioPort : m_videoPort;
        Bytes probe(kMediaHeaderBytes);
        PackProbe(a.endpoint, probe.data());
        ASSERT_TRUE(socket.Send(probe, port));
        MediaHeader h;
        h.payloadType = 18;
        h.sequence = 3;
        h.timestamp = 720;
        h.ssrc = a.endpoint;
        Bytes packet(kMediaHeaderBytes + 30, 0x5A);
        PackMediaHeader(h, packet.data());
        ASSERT_TRUE(socket.Send(packet, port));
        Bytes back;
        ASSERT_TRUE(socket.Receive(kWaitMs, &back)) << "nothing came back";
        ASSERT_EQ(back.size(), packet.size()) << "the probe is not echoed, the media packet is";
        MediaHeader echoed;
        ASSERT_TRUE(UnpackMediaHeader(back.data(), back.size(), echoed));
        EXPECT_EQ(echoed.sequence, 3);
        EXPECT_EQ(echoed.timestamp, 720u);
        EXPECT_EQ(echoed.ssrc, n.callIdOrReason);
        EXPECT_EQ(Bytes(back.begin() + 12, back.end()), Bytes(packet.begin() + 12, packet.end()));
    }
    // Media from a socket the rendezvous does not know go nowhere.
    MediaSocketForTest stranger;
    MediaHeader h;
    h.ssrc = a.endpoint;
    Bytes packet(kMediaHeaderBytes + 30);
    PackMediaHeader(h, packet.data());
    ASSERT_TRUE(stranger.Send(packet, m_audioPort));
    Bytes nothing;
    EXPECT_FALSE(stranger.Receive(kQuietMs, &nothing));

    Signal(a, kPktCallDisconnect, n.callIdOrReason, 0);
    EXPECT_TRUE(m_server.WaitForText("called=9999 original= result=answered", kWaitMs));
}

TEST_F(TalkProcessTest, AnUnansweredCallGoesOnToTheNoAnswerNumber) {
    ForwardSettings forward;
    forward.enabled = true;
    forward.noAnswer = "8003";
    ASSERT_TRUE(m_options->SetForward("8002", forward)) << m_options->LastError();
    Party a, b, c;
    LogOn(a, "8001", "1111");
    LogOn(b, "8002", "2222");
    LogOn(c, "8003", "3333");
    const std::uint32_t callId = Call(a, b);
    const std::uint32_t servId = 1;
    Join(a, callId);
    Join(b, callId);
    AwaitAccept(a);
    AwaitAccept(b);
    Bytes m;
    Signal(b, kPktCallAlert, callId, 0);
    ASSERT_TRUE(a.talk.ReceiveType(kPktCallAlert, kWaitMs, &m));

    // Nobody answers at 8002: its client asks the user server to forward and holds the call.
    ByteWriter w;
    w.U8(kForwardNoAnswer);
    w.U32LE(callId);
    w.U32LE(servId);
    w.Text("8001", 32);
    w.Text("8003", 32);
    ASSERT_TRUE(b.user.Send(BuildPacket(kPktCallForward, b.seq++, w.Get()), m_userPort));
    Signal(b, kPktCallHold, callId, 1);
    ASSERT_TRUE(a.talk.ReceiveType(kPktCallHold, kWaitMs, &m));
    EXPECT_EQ(U32At(m, 12), 1u);

    const Notice toC = ReadNotice(AwaitUser(c, kPktTalkEstablish));
    EXPECT_EQ(toC.result, 0);
    EXPECT_EQ(toC.callIdOrReason, callId);
    EXPECT_EQ(toC.role, kRoleCalled);
    EXPECT_EQ(toC.noForward, 1);
    Join(c, callId);
    const MediaParams toA = AwaitAccept(a);
    AwaitAccept(c);
    EXPECT_EQ(toA.peerAudio, (MediaAddress{0x7F000001, c.audio.Port()})) << "the caller's new peer";
    Signal(c, kPktCallConnect, callId, 0);
    ASSERT_TRUE(a.talk.ReceiveType(kPktCallConnect, kWaitMs, &m));
    Signal(c, kPktCallDisconnect, callId, 0);
    ASSERT_TRUE(a.talk.ReceiveType(kPktCallDisconnect, kWaitMs, &m));
    EXPECT_TRUE(m_server.WaitForText("caller=8001 called=8003 original=8002 result=answered", kWaitMs));
}

TEST_F(TalkProcessTest, TheServerSendsACallOnByTheCalledSubscribersSettings) {
    ForwardSettings forward;
    forward.enabled = true;
    forward.offline = "8003";
    ASSERT_TRUE(m_options->SetForward("8002", forward)) << m_options->LastError();
    forward = ForwardSettings{};
    forward.enabled = true;
    forward.always = "8001";
    ASSERT_TRUE(m_options->SetForward("8003", forward));
    Party a, c;
    LogOn(a, "8001", "1111");
    LogOn(c, "8003", "3333");

    // 8002 is off line: the call goes to 8003, told not to forward again, and 8002 still
    // hears of the call it missed.
    RequestTalk(a, "8002");
    const Notice mine = ReadNotice(AwaitUser(a, kPktTalkEstablish));
    const Notice toC = ReadNotice(AwaitUser(c, kPktTalkEstablish));
    EXPECT_EQ(mine.result, 0);
    EXPECT_EQ(toC.callIdOrReason, mine.callIdOrReason);
    EXPECT_EQ(toC.noForward, 1);
    std::vector<OfflineCall> offline;
    ASSERT_TRUE(m_options->PeekOfflineCalls("8002", &offline));
    EXPECT_EQ(offline.size(), 1u);
    Join(a, mine.callIdOrReason);
    Join(c, mine.callIdOrReason);
    AwaitAccept(a);
    Signal(a, kPktCallDisconnect, mine.callIdOrReason, 0);
    EXPECT_TRUE(m_server.WaitForText("caller=8001 called=8003 original=8002 result=cancelled", kWaitMs));

    // "Always" pointing back at the caller is no forwarding: the call rings at 8003 itself.
    RequestTalk(a, "8003");
    const Notice again = ReadNotice(AwaitUser(c, kPktTalkEstablish));
    EXPECT_EQ(again.result, 0);
    EXPECT_EQ(again.noForward, 0);
}

TEST_F(TalkProcessTest, AForwardTheSettingsDoNotNameIsIgnored) {
    Party a, b, c;
    LogOn(a, "8001", "1111");
    LogOn(b, "8002", "2222");
    LogOn(c, "8003", "3333");
    const std::uint32_t callId = Call(a, b);
    ByteWriter w;
    w.U8(kForwardBusy);
    w.U32LE(callId);
    w.U32LE(1);
    w.Text("8001", 32);
    w.Text("8003", 32);
    ASSERT_TRUE(b.user.Send(BuildPacket(kPktCallForward, b.seq++, w.Get()), m_userPort));
    EXPECT_TRUE(NoNotice(c));
}

TEST_F(TalkProcessTest, AHostileStreamIsClosedAndGarbageChangesNothing) {
    TcpTestClient garbage;
    ASSERT_TRUE(garbage.Connect(m_talkPort));
    ASSERT_TRUE(garbage.SendRaw({1, 2, 3, 0xFD, 0xFD, 0xFD, 0, 5, 0, 0, 0, 9, 9, 9, 9, 9}));
    ASSERT_TRUE(garbage.Send({0x05, 0x0A, 0x40, 0x00}));
    ASSERT_TRUE(garbage.Send(BuildTalkKeepAlive(8, 1)));
    Bytes m;
    ASSERT_TRUE(garbage.ReceiveType(kPktTalkKeepAlive, kWaitMs, &m)) << "the link still works";

    TcpTestClient huge;
    ASSERT_TRUE(huge.Connect(m_talkPort));
    ASSERT_TRUE(huge.SendRaw({0xFD, 0xFD, 0xFD, 0, 0, 0, 0x10, 0})); // announces 1 MiB
    EXPECT_TRUE(huge.WaitClosed(kWaitMs));
}

} // namespace
} // namespace orv
