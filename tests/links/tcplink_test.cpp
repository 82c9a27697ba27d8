// libtcplink over real sockets on 127.0.0.1, reporting to the harness's client window.
#include "tcplink/stream_frame.h"
#include "tests/links/link_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace orv::test {
namespace {

// The process's standard error goes to a file for the lifetime of the object.
class CapturedStderr {
public:
    CapturedStderr() : m_file(std::tmpfile()) {
        std::fflush(stderr);
        m_saved = ::dup(2);
        ::dup2(::fileno(m_file), 2);
    }
    ~CapturedStderr() {
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        std::fclose(m_file);
    }
    std::string Text() {
        std::fflush(stderr);
        std::string text;
        char buffer[512];
        std::rewind(m_file);
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0;) text.append(buffer, n);
        return text;
    }

private:
    std::FILE* m_file;
    int m_saved = -1;
};

class TcpLinkTest : public ::testing::Test {
protected:
    // A listening link; its port.
    LinkHandle Listener(std::uint16_t* port) {
        const LinkHandle link = TcpCreate("127.0.0.1", 0);
        EXPECT_EQ(TcpListen(link, 8), 1);
        std::uint32_t address = 0;
        EXPECT_EQ(TcpGetLinkAddr(link, kTcpLocalEnd, &address, port), 1);
        return link;
    }

    // A plain connection accepted by a listening link; the accepted link.
    LinkHandle AcceptPlain(LinkHandle listener, std::uint16_t port, PlainTcp* peer) {
        *peer = PlainTcp::Connect(port);
        LinkRecord accepted;
        EXPECT_TRUE(thread.WaitFor([&](const std::vector<LinkRecord>& records) {
            for (const LinkRecord& r : records)
                if (r.code == kLinkEventAccepted && r.listenLink == listener && !Taken(r.link)) {
                    accepted = r;
                    return true;
                }
            return false;
        }));
        m_taken.push_back(accepted.link);
        return accepted.link;
    }

    // A link connected to a plain listener; the plain end.
    LinkHandle ConnectToPlain(PlainListener& listener, PlainTcp* peer) {
        const LinkHandle link = TcpCreate("0.0.0.0", 0);
        EXPECT_EQ(TcpConnect(link, "127.0.0.1", listener.Port()), 1);
        *peer = listener.Accept();
        EXPECT_TRUE(thread.WaitForEvent(link, kLinkEventConnected));
        return link;
    }

    std::vector<Bytes> Messages(LinkHandle link) {
        std::vector<Bytes> messages;
        for (const LinkRecord& r : thread.RecordsOf(link))
            if (r.code == kLinkEventData && r.subCode == kTcpRecvComplete) messages.push_back(r.data);
        return messages;
    }

    bool WaitForMessages(LinkHandle link, std::size_t count) {
        return thread.WaitForCount(link, kLinkEventData, kTcpRecvComplete, count);
    }

    std::vector<std::uint32_t> Codes(LinkHandle link) {
        std::vector<std::uint32_t> codes;
        for (const LinkRecord& r : thread.RecordsOf(link))
            if (r.code != kLinkEventData) codes.push_back(r.code);
        return codes;
    }

    bool Taken(LinkHandle link) const { return std::find(m_taken.begin(), m_taken.end(), link) != m_taken.end(); }

    LinkThread thread;
    std::vector<LinkHandle> m_taken;
};

TEST_F(TcpLinkTest, LinksConnectAcceptExchangeAndTellTheirAddresses) {
    std::uint16_t port = 0;
    const LinkHandle listener = Listener(&port);
    const LinkHandle client = TcpCreate("0.0.0.0", 0);
    ASSERT_EQ(thread.RecordsOf(client).size(), 1u) << "event 2 before TcpCreate returns";
    EXPECT_EQ(TcpIsConnect(client), 0);
    ASSERT_EQ(TcpConnect(client, "127.0.0.1", port), 1);
    ASSERT_TRUE(thread.WaitForEvent(client, kLinkEventConnected));
    LinkRecord accept;
    ASSERT_TRUE(thread.WaitFor([&](const auto& records) {
        for (const LinkRecord& r : records)
            if (r.code == kLinkEventAccepted) accept = r;
        return accept.link != 0;
    }));
    EXPECT_EQ(accept.listenLink, listener);
    const LinkHandle server = accept.link;
    EXPECT_EQ(TcpIsConnect(server), 1);
    EXPECT_EQ(TcpIsConnect(client), 1);
    EXPECT_EQ(TcpConnect(client, "127.0.0.1", port), 0) << "only a link that is not connected may connect";

    std::uint32_t address = 0;
    std::uint16_t remotePort = 0, localPort = 0, serverRemote = 0;
    ASSERT_EQ(TcpGetLinkAddr(client, kTcpRemoteEnd, &address, &remotePort), 1);
    EXPECT_EQ(address, 0x7F000001u);
    EXPECT_EQ(remotePort, port);
    ASSERT_EQ(TcpGetLinkAddr(client, kTcpLocalEnd, &address, &localPort), 1);
    ASSERT_EQ(TcpGetLinkAddr(server, kTcpRemoteEnd, &address, &serverRemote), 1);
    EXPECT_EQ(localPort, serverRemote);
    EXPECT_EQ(TcpGetLinkAddr(client, 3, &address, &localPort), 0);

    const Bytes big = Pattern(3000), small{1, 2, 3};
    ASSERT_EQ(TcpSend(client, big.data(), 3000, kTcpSendScramble), 1);
    ASSERT_EQ(TcpSend(client, small.data(), 3, kTcpSendScramble), 1);
    ASSERT_EQ(TcpSend(server, small.data(), 3, kTcpSendMark), 1);
    ASSERT_TRUE(WaitForMessages(server, 2));
    EXPECT_EQ(Messages(server), (std::vector<Bytes>{big, small}));
    ASSERT_TRUE(WaitForMessages(client, 1));
    EXPECT_EQ(Messages(client), std::vector<Bytes>{small});

    EXPECT_EQ(TcpClose(client), 1);
    EXPECT_EQ(TcpClose(client), 0);
    ASSERT_TRUE(thread.WaitForEvent(server, kLinkEventClosed));
    EXPECT_EQ(TcpClose(server), 1);
    EXPECT_EQ(TcpClose(listener), 1);
}

TEST_F(TcpLinkTest, FramesFromAPlainPeerWithSplitHeaderTwoInOneReadAndGarbage) {
    std::uint16_t port = 0;
    const LinkHandle listener = Listener(&port);
    PlainTcp peer(-1);
    const LinkHandle link = AcceptPlain(listener, port, &peer);

    const Bytes first = Pattern(100, 1);
    const Bytes frame = BuildFrame(first.data(), 100, kTcpSendScramble);
    peer.Write(Bytes(frame.begin(), frame.begin() + 5));
    // The first read has taken the 5 header bytes: no message is in progress yet.
    ASSERT_TRUE(thread.WaitForEvent(link, kLinkEventData, kTcpRecvPartial));
    peer.Write(Bytes(frame.begin() + 5, frame.end()));
    ASSERT_TRUE(WaitForMessages(link, 1));

    const Bytes a = Pattern(20, 2), b = Pattern(30, 3), c = Pattern(40, 4);
    Bytes burst = BuildFrame(a.data(), 20, 0);
    const Bytes second = BuildFrame(b.data(), 30, kTcpSendScramble);
    burst.insert(burst.end(), second.begin(), second.end());
    const Bytes garbage{0x11, 0xFD, 0xFD, 0x00, 0xFD, 0x12};
    burst.insert(burst.end(), garbage.begin(), garbage.end());
    const Bytes third = BuildFrame(c.data(), 40, kTcpSendMark);
    burst.insert(burst.end(), third.begin(), third.end());
    peer.Write(burst);
    ASSERT_TRUE(WaitForMessages(link, 4));
    EXPECT_EQ(Messages(link), (std::vector<Bytes>{first, a, b, c}));

    for (const LinkRecord& r : thread.RecordsOf(link)) {
        if (r.code != kLinkEventData) continue;
        EXPECT_TRUE(r.subCode >= kTcpRecvArriving && r.subCode <= kTcpRecvComplete);
        if (r.subCode == kTcpRecvComplete) {
            EXPECT_EQ(r.received, r.length);
        }
        if (r.subCode == kTcpRecvArriving) continue;
        EXPECT_EQ(r.bufferNull, r.length == 0 && r.subCode != kTcpRecvComplete);
    }
    TcpClose(link);
    TcpClose(listener);
}

TEST_F(TcpLinkTest, OverlongLengthIsAFramingErrorAndTheNextFrameArrives) {
    std::uint16_t port = 0;
    const LinkHandle listener = Listener(&port);
    PlainTcp peer(-1);
    const LinkHandle link = AcceptPlain(listener, port, &peer);
    const std::uint32_t tooLong = kMaxStreamMessage + 1;
    Bytes stream{0xFD, 0xFD, 0xFD, 0, static_cast<std::uint8_t>(tooLong), static_cast<std::uint8_t>(tooLong >> 8),
                 static_cast<std::uint8_t>(tooLong >> 16), static_cast<std::uint8_t>(tooLong >> 24)};
    const Bytes payload = Pattern(64);
    const Bytes frame = BuildFrame(payload.data(), 64, 0);
    stream.insert(stream.end(), frame.begin(), frame.end());
    peer.Write(stream);
    ASSERT_TRUE(WaitForMessages(link, 1));
    EXPECT_EQ(Messages(link), std::vector<Bytes>{payload});
    TcpClose(link);
    TcpClose(listener);
}

TEST_F(TcpLinkTest, LongMessageReachesAPlainPeerFramed) {
    PlainListener plainListener;
    PlainTcp peer(-1);
    const LinkHandle link = ConnectToPlain(plainListener, &peer);
    const Bytes payload = Pattern(3000);
    ASSERT_EQ(TcpSend(link, payload.data(), 3000, 0), 1);
    Bytes received;
    ASSERT_TRUE(peer.ReadExactly(3008, &received));
    EXPECT_EQ(Bytes(received.begin(), received.begin() + 8), (Bytes{0xFD, 0xFD, 0xFD, 0, 0xB8, 0x0B, 0, 0}));
    EXPECT_EQ(Bytes(received.begin() + 8, received.end()), payload);
    TcpClose(link);
}

TEST_F(TcpLinkTest, PeerThatNeverReadsHasItsLinkClosedAtTheSendMark) {
    PlainListener plainListener;
    PlainTcp peer(-1);
    const LinkHandle link = ConnectToPlain(plainListener, &peer);
    CapturedStderr log;
    const Bytes payload = Pattern(64 * 1024);
    const auto size = static_cast<std::uint32_t>(payload.size());
    std::size_t accepted = 0;
    while (TcpSend(link, payload.data(), size, 0) == 1) {
        accepted += size;
        // The socket buffers of both ends take a few MB; the queue only the mark beyond that.
        ASSERT_LT(accepted, 32u * 1024 * 1024) << "the send queue grows without bound";
    }
    EXPECT_GT(accepted, kStreamSendHighWater);
    ASSERT_TRUE(thread.WaitForEvent(link, kLinkEventClosed));
    const std::vector<std::uint32_t> codes = Codes(link);
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(std::vector<std::uint32_t>(codes.end() - 2, codes.end()),
              (std::vector<std::uint32_t>{kLinkEventDisconnected, kLinkEventClosed}));
    EXPECT_EQ(TcpSend(link, payload.data(), 16, 0), 0);
    EXPECT_NE(log.Text().find("tcplink: closing link"), std::string::npos) << log.Text();
    TcpClose(link);
}

TEST_F(TcpLinkTest, DisconnectKeepsTheSocketAndConnectWorksAgain) {
    PlainListener plainListener;
    PlainTcp peer(-1);
    const LinkHandle link = ConnectToPlain(plainListener, &peer);
    ASSERT_EQ(TcpDisconnect(link), 1);
    EXPECT_EQ(Codes(link), (std::vector<std::uint32_t>{kLinkEventCreated, kLinkEventConnected, kLinkEventDisconnected}));
    EXPECT_EQ(TcpIsConnect(link), 0);
    EXPECT_EQ(TcpDisconnect(link), 0);
    EXPECT_EQ(TcpSend(link, "abcd", 4, 0), 0) << "not connected";

    // The socket is still open: what the peer sends still arrives.
    const Bytes payload = Pattern(10);
    peer.Write(BuildFrame(payload.data(), 10, 0));
    ASSERT_TRUE(WaitForMessages(link, 1));

    ASSERT_EQ(TcpConnect(link, "127.0.0.1", plainListener.Port()), 1);
    PlainTcp second = plainListener.Accept();
    ASSERT_TRUE(thread.WaitForCount(link, kLinkEventConnected, 0, 2));
    EXPECT_TRUE(peer.SeesEndOfStream()) << "the earlier connection ends with the new one";
    ASSERT_EQ(TcpSend(link, payload.data(), 10, 0), 1);
    Bytes received;
    ASSERT_TRUE(second.ReadExactly(18, &received));
    TcpClose(link);
}

TEST_F(TcpLinkTest, AcceptedLinkMayDisconnectAndConnectElsewhere) {
    std::uint16_t port = 0;
    const LinkHandle listener = Listener(&port);
    PlainTcp first(-1);
    const LinkHandle link = AcceptPlain(listener, port, &first);
    ASSERT_EQ(TcpDisconnect(link), 1);
    PlainListener elsewhere;
    ASSERT_EQ(TcpConnect(link, "127.0.0.1", elsewhere.Port()), 1);
    PlainTcp second = elsewhere.Accept();
    ASSERT_TRUE(thread.WaitForEvent(link, kLinkEventConnected));
    EXPECT_EQ(Codes(link), (std::vector<std::uint32_t>{kLinkEventAccepted, kLinkEventDisconnected, kLinkEventConnected}));
    TcpClose(link);
    TcpClose(listener);
}

TEST_F(TcpLinkTest, RefusedConnectionReportsEvent6AndUnresolvableHostFailsAtOnce) {
    ClosedPort closed;
    const LinkHandle link = TcpCreate("0.0.0.0", 0);
    EXPECT_EQ(TcpConnect(link, "no-such-host.invalid", 80), 0);
    EXPECT_EQ(Codes(link), std::vector<std::uint32_t>{kLinkEventCreated}) << "no event";
    ASSERT_EQ(TcpConnect(link, "127.0.0.1", closed.Port()), 1);
    ASSERT_TRUE(thread.WaitForEvent(link, kLinkEventDisconnected));
    EXPECT_EQ(TcpIsConnect(link), 0);

    // The link may try again, and then reach a listener.
    PlainListener plainListener;
    ASSERT_EQ(TcpConnect(link, "localhost", plainListener.Port()), 1);
    PlainTcp peer = plainListener.Accept();
    ASSERT_TRUE(thread.WaitForEvent(link, kLinkEventConnected));
    EXPECT_EQ(Codes(link), (std::vector<std::uint32_t>{kLinkEventCreated, kLinkEventDisconnected, kLinkEventConnected}));
    TcpClose(link);
}

TEST_F(TcpLinkTest, PeerCloseReports6Then3) {
    PlainListener plainListener;
    PlainTcp peer(-1);
    const LinkHandle link = ConnectToPlain(plainListener, &peer);
    const Bytes payload = Pattern(50);
    peer.Write(BuildFrame(payload.data(), 50, 0));
    peer.Close();
    ASSERT_TRUE(thread.WaitForEvent(link, kLinkEventClosed));
    EXPECT_EQ(Messages(link), std::vector<Bytes>{payload}) << "data before the close is delivered first";
    EXPECT_EQ(Codes(link), (std::vector<std::uint32_t>{kLinkEventCreated, kLinkEventConnected, kLinkEventDisconnected,
                                                       kLinkEventClosed}));
    EXPECT_EQ(TcpIsConnect(link), 0);
    std::uint32_t address;
    std::uint16_t port;
    EXPECT_EQ(TcpGetLinkAddr(link, kTcpLocalEnd, &address, &port), 0);
    EXPECT_EQ(TcpClose(link), 1);
    EXPECT_EQ(Codes(link).size(), 4u) << "closing a closed link reports nothing";
}

TEST_F(TcpLinkTest, CloseInsideANotificationStopsDeliveryAndFreesLater) {
    std::uint16_t port = 0;
    const LinkHandle listener = Listener(&port);
    PlainTcp peer(-1);
    const LinkHandle link = AcceptPlain(listener, port, &peer);
    thread.SetHook([&](const LinkRecord& r) {
        if (r.link == link && r.code == kLinkEventData && r.subCode == kTcpRecvComplete) {
            EXPECT_EQ(TcpClose(link), 1);
        }
    });
    Bytes burst;
    for (std::uint8_t i = 0; i < 3; ++i) {
        const Bytes frame = BuildFrame(&i, 1, 0);
        burst.insert(burst.end(), frame.begin(), frame.end());
    }
    peer.Write(burst);
    ASSERT_TRUE(thread.WaitForEvent(link, kLinkEventClosed));
    thread.RunOnThread([] {});
    EXPECT_EQ(thread.CountOf(link, kLinkEventData, kTcpRecvComplete), 1u);
    EXPECT_EQ(Codes(link), (std::vector<std::uint32_t>{kLinkEventAccepted, kLinkEventDisconnected, kLinkEventClosed}));
    EXPECT_TRUE(peer.SeesEndOfStream());
    TcpClose(listener);
}

TEST_F(TcpLinkTest, SendFromManyThreadsKeepsEachMessageWhole) {
    std::uint16_t port = 0;
    const LinkHandle listener = Listener(&port);
    const LinkHandle client = TcpCreate("0.0.0.0", 0);
    ASSERT_EQ(TcpConnect(client, "127.0.0.1", port), 1);
    ASSERT_TRUE(thread.WaitForEvent(client, kLinkEventConnected));
    LinkRecord accept;
    ASSERT_TRUE(thread.WaitFor([&](const auto& records) {
        for (const LinkRecord& r : records)
            if (r.code == kLinkEventAccepted) accept = r;
        return accept.link != 0;
    }));
    constexpr int kThreads = 4, kEach = 50;
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t) {
        senders.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                const Bytes payload = Pattern(1500, static_cast<std::uint8_t>(t));
                EXPECT_EQ(TcpSend(client, payload.data(), 1500, kTcpSendScramble), 1);
            }
        });
    }
    for (auto& s : senders) s.join();
    ASSERT_TRUE(WaitForMessages(accept.link, kThreads * kEach));
    for (const Bytes& m : Messages(accept.link)) {
        bool known = false;
        for (int t = 0; t < kThreads; ++t) known = known || m == Pattern(1500, static_cast<std::uint8_t>(t));
        EXPECT_TRUE(known);
    }
    TcpClose(client);
    TcpClose(accept.link);
    TcpClose(listener);
}

} // namespace
} // namespace orv::test
