// Socket readiness as window messages, with real sockets on 127.0.0.1.
#include "socket_window.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

using namespace test;

TEST(AsyncSelect, ReadIsReportedAgainOnlyAfterTheLastReportWasDispatched) {
    SocketWindow w;
    Fd rx(BoundSocket(SOCK_DGRAM)), tx(BoundSocket(SOCK_DGRAM));
    ASSERT_TRUE(AsyncSelect(rx, w.hwnd, kMsgSocket, FD_READ));
    EXPECT_TRUE(fcntl(rx, F_GETFL) & O_NONBLOCK);
    const sockaddr_in to = Loopback(PortOf(rx));
    for (const char* text : {"one", "two"})
        sendto(tx, text, 3, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);

    MSG held;
    ASSERT_EQ(w.Next(5000, false), FD_READ); // taken, not dispatched: no second report yet
    held = MSG{w.hwnd, kMsgSocket, static_cast<WPARAM>(rx.fd), MakeLParam(FD_READ, 0), 0};
    EXPECT_TRUE(w.Quiet()) << "FD_READ repeated before the first was dispatched";
    pollfd p{GetQueueWaitFd(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 0) << "the wait fd must not stay readable (busy loop)";

    DispatchMessage(&held); // reads "one"; "two" still waits
    ASSERT_EQ(w.Next(), FD_READ);
    EXPECT_EQ(w.received, "onetwo");
    EXPECT_TRUE(w.Quiet()) << "nothing left to read";

    sendto(tx, "three", 5, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    ASSERT_EQ(w.Next(), FD_READ);
    EXPECT_EQ(w.received, "onetwothree");
}

TEST(AsyncSelect, WriteIsReportedOnceUntilSelectedAgain) {
    SocketWindow w;
    Fd udp(BoundSocket(SOCK_DGRAM));
    ASSERT_TRUE(AsyncSelect(udp, w.hwnd, kMsgSocket, FD_READ | FD_WRITE));
    EXPECT_EQ(w.Next(), FD_WRITE);
    EXPECT_TRUE(w.Quiet()) << "a writable socket must not flood the queue";
    ASSERT_TRUE(AsyncSelect(udp, w.hwnd, kMsgSocket, FD_READ | FD_WRITE));
    EXPECT_EQ(w.Next(), FD_WRITE);
    EXPECT_TRUE(w.Quiet());
    ASSERT_TRUE(AsyncSelect(udp, 0, 0, 0));
    ASSERT_TRUE(AsyncSelect(udp, w.hwnd, kMsgSocket, FD_READ));
    EXPECT_TRUE(w.Quiet());
}

TEST(AsyncSelect, AcceptConnectWriteThenPeerDataAndClose) {
    SocketWindow w;
    Fd listener(BoundSocket(SOCK_STREAM));
    ASSERT_EQ(listen(listener, 4), 0);
    ASSERT_TRUE(AsyncSelect(listener, w.hwnd, kMsgSocket, FD_ACCEPT));
    Fd client(socket(AF_INET, SOCK_STREAM, 0));
    // Selected before connect(): the socket must not look closed meanwhile.
    ASSERT_TRUE(AsyncSelect(client, w.hwnd, kMsgSocket, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE));
    EXPECT_TRUE(w.Quiet(30)) << "an unconnected socket reported something";
    const int rc = ConnectNonBlocking(client, PortOf(listener));
    ASSERT_TRUE(rc == 0 || rc == EINPROGRESS);

    std::vector<long> events;
    for (int i = 0; i < 3; ++i)
        events.push_back(w.Next());
    std::vector<long> connectThenWrite;
    for (long e : events)
        if (e != FD_ACCEPT)
            connectThenWrite.push_back(e);
    EXPECT_EQ(connectThenWrite, (std::vector<long>{FD_CONNECT, FD_WRITE}));
    ASSERT_EQ(w.accepted.size(), 1u);
    for (const auto& r : w.reports)
        EXPECT_EQ(r.error, 0);

    // The peer sends and closes: no FD_CLOSE while the data waits unread, FD_CLOSE once.
    const int server = w.accepted[0];
    ASSERT_EQ(send(server, "hello", 5, 0), 5);
    shutdown(server, SHUT_WR);
    ASSERT_EQ(w.Next(5000, false), FD_READ);
    EXPECT_TRUE(w.Quiet()) << "FD_CLOSE overtook data not yet read";
    MSG held{w.hwnd, kMsgSocket, static_cast<WPARAM>(client.fd), MakeLParam(FD_READ, 0), 0};
    DispatchMessage(&held);
    std::vector<long> tail;
    for (long e = w.Next(); e != 0; e = w.Next(200))
        tail.push_back(e);
    ASSERT_FALSE(tail.empty());
    EXPECT_EQ(tail.back(), FD_CLOSE);
    EXPECT_EQ(std::count(tail.begin(), tail.end(), FD_CLOSE), 1);
    EXPECT_EQ(w.received, "hello");
    EXPECT_EQ(w.reports.back().error, 0) << "orderly close";
}

TEST(AsyncSelect, EachDispatchedAcceptReportsTheNextWaitingConnection) {
    SocketWindow w;
    Fd listener(BoundSocket(SOCK_STREAM));
    ASSERT_EQ(listen(listener, 4), 0);
    Fd c1(socket(AF_INET, SOCK_STREAM, 0)), c2(socket(AF_INET, SOCK_STREAM, 0));
    ConnectNonBlocking(c1, PortOf(listener));
    ConnectNonBlocking(c2, PortOf(listener));
    ASSERT_TRUE(AsyncSelect(listener, w.hwnd, kMsgSocket, FD_ACCEPT));
    EXPECT_EQ(w.Next(), FD_ACCEPT);
    EXPECT_EQ(w.Next(), FD_ACCEPT);
    EXPECT_TRUE(w.Quiet());
    EXPECT_EQ(w.accepted.size(), 2u);
    for (int fd : w.accepted)
        EXPECT_GE(fd, 0);
}

TEST(AsyncSelect, ConnectRefusedIsReportedWithItsError) {
    SocketWindow w;
    std::uint16_t deadPort;
    {
        Fd probe(BoundSocket(SOCK_STREAM)); // a port that nobody listens on any more
        deadPort = PortOf(probe);
    }
    Fd client(socket(AF_INET, SOCK_STREAM, 0));
    const int rc = ConnectNonBlocking(client, deadPort);
    if (rc == ECONNREFUSED)
        GTEST_SKIP() << "refused at once; nothing left to report";
    ASSERT_EQ(rc, EINPROGRESS);
    ASSERT_TRUE(AsyncSelect(client, w.hwnd, kMsgSocket, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE));
    ASSERT_EQ(w.Next(), FD_CONNECT);
    EXPECT_EQ(w.reports.back().error, ECONNREFUSED);
    EXPECT_TRUE(w.Quiet()) << "a failed connect reports nothing more";
}

TEST(AsyncSelect, ConnectedBeforeSelectStillGetsItsConnectReportOnce) {
    SocketWindow w;
    Fd listener(BoundSocket(SOCK_STREAM));
    ASSERT_EQ(listen(listener, 4), 0);
    Fd client(socket(AF_INET, SOCK_STREAM, 0));
    ConnectNonBlocking(client, PortOf(listener));
    pollfd p{client, POLLOUT, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1); // connected before AsyncSelect
    ASSERT_TRUE(AsyncSelect(client, w.hwnd, kMsgSocket, FD_CONNECT | FD_WRITE));
    EXPECT_EQ(w.Next(), FD_CONNECT);
    EXPECT_EQ(w.Next(), FD_WRITE);
    ASSERT_TRUE(AsyncSelect(client, w.hwnd, kMsgSocket, FD_CONNECT | FD_WRITE)); // re-enable FD_WRITE
    EXPECT_EQ(w.Next(), FD_WRITE) << "no second FD_CONNECT";
    EXPECT_TRUE(w.Quiet());
}

TEST(AsyncSelect, PeerResetIsReportedAsCloseWithTheError) {
    SocketWindow w;
    Fd listener(BoundSocket(SOCK_STREAM));
    ASSERT_EQ(listen(listener, 4), 0);
    Fd client(socket(AF_INET, SOCK_STREAM, 0));
    ConnectNonBlocking(client, PortOf(listener));
    const int server = accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);
    ASSERT_TRUE(AsyncSelect(client, w.hwnd, kMsgSocket, FD_READ | FD_CLOSE));
    linger hard{1, 0};
    setsockopt(server, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close(server); // RST
    ASSERT_EQ(w.Next(), FD_CLOSE);
    EXPECT_EQ(w.reports.back().error, ECONNRESET);
    EXPECT_TRUE(w.Quiet());
}

TEST(AsyncSelect, SocketOfAnotherThreadsWindowReportsOnThatThread) {
    std::atomic<int> reads{0};
    std::atomic<ThreadId> ranOn{0};
    Event gotRead(true);
    test::WindowThread worker([&](UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == kMsgSocket && LowWord(static_cast<std::uintptr_t>(l)) == FD_READ) {
            char buf[64];
            recv(static_cast<int>(w), buf, sizeof buf, 0);
            ranOn = GetCurrentThreadId();
            ++reads;
            gotRead.Set();
        }
        return 0;
    });
    ASSERT_TRUE(test::StartWindowThread(worker));
    Fd rx(BoundSocket(SOCK_DGRAM)), tx(BoundSocket(SOCK_DGRAM));
    ASSERT_TRUE(AsyncSelect(rx, worker.Hwnd(), kMsgSocket, FD_READ)); // from this thread
    const sockaddr_in to = Loopback(PortOf(rx));
    sendto(tx, "x", 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    ASSERT_TRUE(gotRead.Wait(5000));
    EXPECT_EQ(ranOn.load(), worker.GetThreadId());
    ASSERT_TRUE(AsyncSelect(rx, 0, 0, 0));
    EXPECT_TRUE(worker.Stop(10000));
    EXPECT_EQ(reads.load(), 1);
}

TEST(AsyncSelect, DestroyedWindowTakesItsSocketsAlong) {
    auto w = std::make_unique<SocketWindow>();
    Fd rx(BoundSocket(SOCK_DGRAM)), tx(BoundSocket(SOCK_DGRAM));
    ASSERT_TRUE(AsyncSelect(rx, w->hwnd, kMsgSocket, FD_READ));
    w.reset();
    const sockaddr_in to = Loopback(PortOf(rx));
    sendto(tx, "x", 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    pollfd p{GetQueueWaitFd(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 100), 0) << "a socket of a dead window still wakes the thread";
    EXPECT_FALSE(AsyncSelect(rx, 0xFFFFFFF0u, kMsgSocket, FD_READ)) << "no such window";
}

} // namespace
} // namespace orv
