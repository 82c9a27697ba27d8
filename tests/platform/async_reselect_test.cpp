// Re-selecting a socket: the same window, message and events re-enable FD_WRITE only (the
// cheap path a stream sender takes after every piece); anything else changed is a fresh join.
#include "socket_window.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <thread>

namespace orv {
namespace {

using namespace test;

constexpr long kStreamEvents = FD_READ | FD_WRITE | FD_CLOSE;

// A connected loopback pair: `client` is selectable, `server` is the plain peer.
struct StreamPair {
    Fd listener{BoundSocket(SOCK_STREAM)};
    Fd client{socket(AF_INET, SOCK_STREAM, 0)};
    Fd server;
    StreamPair() {
        listen(listener, 1);
        const sockaddr_in to = Loopback(PortOf(listener));
        if (connect(client, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0)
            server.fd = accept(listener, nullptr, nullptr);
    }
};

bool WaitFdReadable() {
    pollfd p{GetQueueWaitFd(), POLLIN, 0};
    return poll(&p, 1, 0) != 0;
}

TEST(AsyncReselect, SameMaskReportsWriteAgainEachTimeAndNothingElse) {
    SocketWindow w;
    StreamPair pair;
    ASSERT_GE(pair.server.fd, 0);
    ASSERT_TRUE(AsyncSelect(pair.client, w.hwnd, kMsgSocket, kStreamEvents));
    ASSERT_EQ(w.Next(), FD_WRITE);
    EXPECT_TRUE(w.Quiet()) << "a writable socket must not flood the queue";
    EXPECT_FALSE(WaitFdReadable()) << "the wait fd must not stay readable (busy loop)";

    // The way a stream link sends: a piece per FD_WRITE, then a re-select for the next.
    std::string sent;
    for (int piece = 0; piece < 50; ++piece) {
        const std::string text = "piece" + std::to_string(piece) + ";";
        ASSERT_EQ(send(pair.client, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
        sent += text;
        ASSERT_TRUE(AsyncSelect(pair.client, w.hwnd, kMsgSocket, kStreamEvents));
        ASSERT_EQ(w.Next(), FD_WRITE) << "piece " << piece;
    }
    EXPECT_TRUE(w.Quiet());
    EXPECT_FALSE(WaitFdReadable());
    std::string got(sent.size(), '\0');
    ASSERT_EQ(recv(pair.server, got.data(), got.size(), MSG_WAITALL), static_cast<ssize_t>(got.size()));
    EXPECT_EQ(got, sent);

    // An FD_READ taken but not yet dispatched stays the only one across a re-select.
    ASSERT_EQ(send(pair.server, "hi", 2, 0), 2);
    ASSERT_EQ(w.Next(5000, false), FD_READ);
    ASSERT_TRUE(AsyncSelect(pair.client, w.hwnd, kMsgSocket, kStreamEvents));
    EXPECT_EQ(w.Next(), FD_WRITE);
    EXPECT_TRUE(w.Quiet()) << "a re-select repeated an FD_READ not yet dispatched";
    MSG held{w.hwnd, kMsgSocket, static_cast<WPARAM>(pair.client.fd), MakeLParam(FD_READ, 0), 0};
    DispatchMessage(&held);
    EXPECT_EQ(w.received, "hi");
    ASSERT_EQ(send(pair.server, "!", 1, 0), 1);
    ASSERT_EQ(w.Next(), FD_READ) << "the dispatch re-enabled FD_READ";
    EXPECT_EQ(w.received, "hi!");

    // The peer's close still comes once, after re-selects.
    close(pair.server.fd);
    pair.server.fd = -1;
    ASSERT_EQ(w.Next(), FD_CLOSE);
    EXPECT_TRUE(w.Quiet());
}

TEST(AsyncReselect, ChangedMaskWindowOrMessageJoinsAfresh) {
    SocketWindow w, other;
    StreamPair pair;
    ASSERT_GE(pair.server.fd, 0);
    ASSERT_TRUE(AsyncSelect(pair.client, w.hwnd, kMsgSocket, kStreamEvents));
    ASSERT_EQ(w.Next(), FD_WRITE);

    // Without FD_WRITE nothing is reported for writability, also not on a same-mask re-select.
    ASSERT_TRUE(AsyncSelect(pair.client, w.hwnd, kMsgSocket, FD_READ | FD_CLOSE));
    EXPECT_TRUE(w.Quiet());
    ASSERT_TRUE(AsyncSelect(pair.client, w.hwnd, kMsgSocket, FD_READ | FD_CLOSE));
    EXPECT_TRUE(w.Quiet());
    ASSERT_EQ(send(pair.server, "a", 1, 0), 1);
    ASSERT_EQ(w.Next(), FD_READ);

    // FD_WRITE back in the mask: reported again.
    ASSERT_TRUE(AsyncSelect(pair.client, w.hwnd, kMsgSocket, kStreamEvents));
    ASSERT_EQ(w.Next(), FD_WRITE);

    // Another window: the reports go there, none to the old one.
    const std::size_t before = w.reports.size();
    ASSERT_TRUE(AsyncSelect(pair.client, other.hwnd, kMsgSocket, kStreamEvents));
    ASSERT_EQ(other.Next(), FD_WRITE);
    ASSERT_EQ(send(pair.server, "b", 1, 0), 1);
    ASSERT_EQ(other.Next(), FD_READ);
    EXPECT_EQ(other.received, "b");
    EXPECT_EQ(w.reports.size(), before);

    // Another message number: a fresh join, FD_WRITE posted under the new number.
    ASSERT_TRUE(AsyncSelect(pair.client, other.hwnd, kMsgSocket + 1, kStreamEvents));
    MSG msg;
    ASSERT_TRUE(GetMessageTimeout(&msg, 5000));
    EXPECT_EQ(msg.message, kMsgSocket + 1);
    EXPECT_EQ(LowWord(static_cast<std::uintptr_t>(msg.lParam)), FD_WRITE);
    EXPECT_TRUE(w.Quiet()) << "the old selection still reports";
}

TEST(AsyncReselect, SameMaskFromAnotherThreadWakesTheOwner) {
    SocketWindow w;
    StreamPair pair;
    ASSERT_GE(pair.server.fd, 0);
    ASSERT_TRUE(AsyncSelect(pair.client, w.hwnd, kMsgSocket, kStreamEvents));
    ASSERT_EQ(w.Next(), FD_WRITE);
    EXPECT_TRUE(w.Quiet()); // the owner now sleeps on its wait set with nothing registered
    bool ok = false;
    std::thread other([&] { ok = AsyncSelect(pair.client, w.hwnd, kMsgSocket, kStreamEvents); });
    EXPECT_EQ(w.Next(), FD_WRITE);
    other.join();
    EXPECT_TRUE(ok);
    EXPECT_TRUE(w.Quiet());
}

// Reports turned out of the wait set while retrieving must still make the wait fd readable
// for whatever waits after the first was taken (a notifier on it drains the rest).
TEST(AsyncReselect, WaitFdReadableWhileReportsWaitAndNotAfter) {
    SocketWindow w;
    Fd a(BoundSocket(SOCK_DGRAM)), b(BoundSocket(SOCK_DGRAM)), tx(BoundSocket(SOCK_DGRAM));
    for (int fd : {a.fd, b.fd}) {
        const sockaddr_in to = Loopback(PortOf(fd));
        ASSERT_EQ(sendto(tx, "x", 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to), 1);
        pollfd p{fd, POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 5000), 1);
        ASSERT_TRUE(AsyncSelect(fd, w.hwnd, kMsgSocket, FD_READ));
    }
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, true)); // one look reports both; the first is taken
    char c;
    for (int fd : {a.fd, b.fd}) // read here, so only a waiting report can make the fd readable
        ASSERT_EQ(recv(fd, &c, 1, MSG_DONTWAIT), 1);
    EXPECT_TRUE(WaitFdReadable()) << "a report waits but the wait fd is quiet";
    ASSERT_TRUE(PeekMessage(&msg, true));
    EXPECT_EQ(LowWord(static_cast<std::uintptr_t>(msg.lParam)), FD_READ);
    EXPECT_FALSE(WaitFdReadable());
}

} // namespace
} // namespace orv
