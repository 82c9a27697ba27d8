// libudplink over real sockets on 127.0.0.1, reporting to the harness's client window.
#include "tests/links/link_harness.h"

#include <gtest/gtest.h>

namespace orv::test {
namespace {

class UdpLinkTest : public ::testing::Test {
protected:
    // The link's port, learnt from a datagram it sends to a plain socket.
    std::uint16_t PortOf(LinkHandle link) {
        const Bytes probe{9};
        EXPECT_EQ(UdpSendTo(link, probe.data(), 1, "127.0.0.1", plain.Port(), 0), 1);
        Bytes datagram;
        std::uint16_t port = 0;
        EXPECT_TRUE(plain.Receive(&datagram, &port));
        return port;
    }

    LinkThread thread;
    PlainUdp plain;
};

TEST_F(UdpLinkTest, CreateReportsEvent2BeforeReturningAndCloseReports3Twice) {
    const LinkHandle link = UdpCreate("0.0.0.0", 0, 2);
    ASSERT_NE(link, 0u);
    auto records = thread.RecordsOf(link);
    ASSERT_EQ(records.size(), 1u) << "event 2 is sent before UdpCreate returns";
    EXPECT_EQ(records[0].code, kLinkEventCreated);
    EXPECT_FALSE(records[0].stream);

    EXPECT_EQ(UdpClose(link), 1);
    records = thread.RecordsOf(link);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].code, kLinkEventClosed);
    EXPECT_EQ(records[2].code, kLinkEventClosed);
    EXPECT_EQ(UdpClose(link), 0) << "the handle is gone";
    EXPECT_EQ(UdpSendTo(link, "x", 1, "127.0.0.1", 9, 0), 0);
}

TEST_F(UdpLinkTest, ClosedLinksPortIsFreeAtOnce) {
    const LinkHandle link = UdpCreate("0.0.0.0", 0, 2);
    const std::uint16_t port = PortOf(link);
    LinkHandle again = 0;
    // On the network thread, before it returns to its message loop.
    thread.RunOnThread([&] {
        EXPECT_EQ(UdpClose(link), 1);
        again = UdpCreate("0.0.0.0", port, 2);
    });
    ASSERT_NE(again, 0u);
    plain.SendTo(port, Bytes{0, 7});
    LinkRecord received;
    ASSERT_TRUE(thread.WaitForEvent(again, kLinkEventData, 0, &received));
    EXPECT_EQ(received.data, Bytes{7});
    UdpClose(again);
}

TEST_F(UdpLinkTest, BindFailureAndRefusedArguments) {
    EXPECT_EQ(UdpCreate("0.0.0.0", plain.Port(), 2), 0u) << "port in use";
    EXPECT_EQ(UdpCreate("not an address", 0, 2), 0u);
    EXPECT_TRUE(thread.Records().empty()) << "nothing is reported for a failed bind";

    const LinkHandle link = UdpCreate(nullptr, 0, 2);
    ASSERT_NE(link, 0u);
    const Bytes payload(16, 1);
    EXPECT_EQ(UdpSendTo(link, payload.data(), 16, "localhost", plain.Port(), 2), 0) << "names are not resolved";
    EXPECT_EQ(UdpSendTo(link, nullptr, 16, "127.0.0.1", plain.Port(), 2), 0);
    EXPECT_EQ(UdpSendTo(0, payload.data(), 16, "127.0.0.1", plain.Port(), 2), 0);
    UdpClose(link);
}

TEST_F(UdpLinkTest, ScrambledDatagramsOnTheWire) {
    const LinkHandle link = UdpCreate("0.0.0.0", 0, 2);
    const Bytes seven{1, 2, 3, 4, 5, 6, 7};
    ASSERT_EQ(UdpSendTo(link, seven.data(), 7, "127.0.0.1", plain.Port(), 2), 1);
    Bytes datagram;
    ASSERT_TRUE(plain.Receive(&datagram));
    EXPECT_EQ(datagram, (Bytes{2, 0x36, 0x9C, 0x1E, 0x5F, 5, 6, 7}));

    ASSERT_EQ(UdpSendTo(link, seven.data(), 3, "127.0.0.1", plain.Port(), 2), 1);
    ASSERT_TRUE(plain.Receive(&datagram));
    EXPECT_EQ(datagram, (Bytes{2, 1, 2, 3})) << "3 bytes stay as they are, the prefix still says 2";

    ASSERT_EQ(UdpSendTo(link, seven.data(), 7, "127.0.0.1", plain.Port(), 0), 1);
    ASSERT_TRUE(plain.Receive(&datagram));
    EXPECT_EQ(datagram, (Bytes{0, 1, 2, 3, 4, 5, 6, 7})) << "scrambling only on request";

    const LinkHandle plainLink = UdpCreate("0.0.0.0", 0, 0);
    ASSERT_EQ(UdpSendTo(plainLink, seven.data(), 7, "127.0.0.1", plain.Port(), 2), 1);
    ASSERT_TRUE(plain.Receive(&datagram));
    EXPECT_EQ(datagram, seven) << "link flags 0: no prefix, no scrambling";
    UdpClose(plainLink);
    UdpClose(link);
}

TEST_F(UdpLinkTest, LinkToLinkDeliversUnscrambledPayloadWithSender) {
    const LinkHandle a = UdpCreate("0.0.0.0", 0, 2);
    const LinkHandle b = UdpCreate("127.0.0.1", 0, 2);
    const std::uint16_t portA = PortOf(a), portB = PortOf(b);
    const Bytes payload = Pattern(1000);
    ASSERT_EQ(UdpSendTo(a, payload.data(), 1000, "127.0.0.1", portB, 2), 1);
    LinkRecord received;
    ASSERT_TRUE(thread.WaitForEvent(b, kLinkEventData, 0, &received));
    EXPECT_EQ(received.data, payload);
    EXPECT_EQ(received.address, "127.0.0.1");
    EXPECT_EQ(received.port, portA);
    UdpClose(a);
    UdpClose(b);
}

TEST_F(UdpLinkTest, PrefixOnlyDatagramIsAnEmptyPayload) {
    const LinkHandle link = UdpCreate("0.0.0.0", 0, 2);
    const std::uint16_t port = PortOf(link);
    plain.SendTo(port, Bytes{2});
    plain.SendTo(port, Bytes{2, 0x36, 0x9C, 0x1E, 0x5F, 5, 6, 7});
    ASSERT_TRUE(thread.WaitForCount(link, kLinkEventData, 0, 2));
    auto records = thread.RecordsOf(link);
    EXPECT_EQ(records[1].length, 0u);
    EXPECT_FALSE(records[1].bufferNull);
    EXPECT_EQ(records[2].data, (Bytes{1, 2, 3, 4, 5, 6, 7}));
    UdpClose(link);
}

TEST_F(UdpLinkTest, LargestDatagramPassesWholeAndOneByteMoreIsRefused) {
    const LinkHandle a = UdpCreate("0.0.0.0", 0, 2);
    const LinkHandle b = UdpCreate("0.0.0.0", 0, 2);
    const std::uint16_t portB = PortOf(b);
    const Bytes largest = Pattern(16385);
    EXPECT_EQ(UdpSendTo(a, largest.data(), 16385, "127.0.0.1", portB, 2), 0);
    ASSERT_EQ(UdpSendTo(a, largest.data(), 16384, "127.0.0.1", portB, 2), 1);
    LinkRecord received;
    ASSERT_TRUE(thread.WaitForEvent(b, kLinkEventData, 0, &received));
    EXPECT_EQ(received.data, Bytes(largest.begin(), largest.end() - 1)) << "prefix plus 16384 bytes leave whole";
    UdpClose(a);
    UdpClose(b);
}

TEST_F(UdpLinkTest, OverlongIncomingDatagramIsDroppedNotCut) {
    const LinkHandle link = UdpCreate("0.0.0.0", 0, 2);
    const std::uint16_t port = PortOf(link);
    Bytes overlong(16386, 0);
    plain.SendTo(port, overlong);
    plain.SendTo(port, Bytes{0, 42});
    LinkRecord received;
    ASSERT_TRUE(thread.WaitForEvent(link, kLinkEventData, 0, &received));
    EXPECT_EQ(received.data, Bytes{42});
    UdpClose(link);
}

TEST_F(UdpLinkTest, BurstFromAnotherThreadArrivesInOrder) {
    const LinkHandle a = UdpCreate("0.0.0.0", 0, 2);
    const LinkHandle b = UdpCreate("0.0.0.0", 0, 2);
    const std::uint16_t portB = PortOf(b);
    constexpr int kCount = 200;
    for (int i = 0; i < kCount; ++i) {
        Bytes payload(8, static_cast<std::uint8_t>(i));
        ASSERT_EQ(UdpSendTo(a, payload.data(), 8, "127.0.0.1", portB, 2), 1);
    }
    ASSERT_TRUE(thread.WaitForCount(b, kLinkEventData, 0, kCount));
    int expected = 0;
    for (const LinkRecord& r : thread.RecordsOf(b))
        if (r.code == kLinkEventData) {
            EXPECT_EQ(r.data, Bytes(8, static_cast<std::uint8_t>(expected++)));
        }
    UdpClose(a);
    UdpClose(b);
}

TEST_F(UdpLinkTest, FloodedLinkDoesNotStarveAnotherOnTheSameThread) {
    const LinkHandle flooded = UdpCreate("0.0.0.0", 0, 2);
    const LinkHandle quiet = UdpCreate("0.0.0.0", 0, 2);
    const std::uint16_t floodedPort = PortOf(flooded);
    const std::uint16_t quietPort = PortOf(quiet);
    constexpr int kFlood = 200; // fits the receive buffer of the flooded socket
    // Sent while the network thread is busy, so both links are readable when it looks again:
    // the flooded one first.
    thread.RunOnThread([&] {
        for (int i = 0; i < kFlood; ++i) plain.SendTo(floodedPort, Bytes{0, static_cast<std::uint8_t>(i)});
        plain.SendTo(quietPort, Bytes{0, 0xEE});
    });
    ASSERT_TRUE(thread.WaitForCount(flooded, kLinkEventData, 0, kFlood));
    ASSERT_TRUE(thread.WaitForCount(quiet, kLinkEventData, 0, 1));
    std::size_t floodedBefore = 0;
    for (const LinkRecord& r : thread.Records()) {
        if (r.link == quiet && r.code == kLinkEventData) break;
        if (r.link == flooded && r.code == kLinkEventData) ++floodedBefore;
    }
    EXPECT_LT(floodedBefore, static_cast<std::size_t>(kFlood)) << "the quiet link waited for the whole flood";
    UdpClose(flooded);
    UdpClose(quiet);
}

TEST_F(UdpLinkTest, CloseInsideItsOwnNotificationStopsDelivery) {
    const LinkHandle link = UdpCreate("0.0.0.0", 0, 2);
    const std::uint16_t port = PortOf(link);
    thread.SetHook([&](const LinkRecord& r) {
        if (r.link == link && r.code == kLinkEventData) {
            EXPECT_EQ(UdpClose(link), 1);
        }
    });
    // Queued before the network thread reads any of them, so one receive step meets all three.
    thread.RunOnThread([&] {
        for (std::uint8_t i = 0; i < 3; ++i) plain.SendTo(port, Bytes{0, i});
    });
    ASSERT_TRUE(thread.WaitForCount(link, kLinkEventClosed, 0, 2));
    thread.RunOnThread([] {}); // let the receive step finish
    EXPECT_EQ(thread.CountOf(link, kLinkEventData), 1u);
}

} // namespace
} // namespace orv::test
