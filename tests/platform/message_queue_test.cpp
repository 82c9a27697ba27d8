// Posted messages, thread messages, WM_QUIT, registered messages, destroyed windows and the
// queue's wait fd.
#include "platform/message.h"
#include "window_thread.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <thread>
#include <vector>

namespace orv {
namespace {

constexpr UINT kMsgValue = WM_USER + 1;
constexpr UINT kMsgMarker = WM_USER + 2;

bool WaitFdReadable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1;
}

TEST(MessageQueue, PostedMessagesArriveInOrderPerSenderAcrossThreads) {
    std::vector<std::pair<WPARAM, LPARAM>> seen; // (sender, sequence)
    FunctionWindow window([&](UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == kMsgValue)
            seen.emplace_back(w, l);
        return 0;
    });
    const HWND hwnd = window.Create("order");
    ASSERT_NE(hwnd, 0u);
    const ThreadId self = GetCurrentThreadId();
    constexpr int kSenders = 3, kPerSender = 2000;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([=] {
            for (int i = 0; i < kPerSender; ++i) {
                // Thread and window messages share one queue and one order.
                if (i % 2)
                    PostMessage(hwnd, kMsgValue, s, i);
                else
                    PostThreadMessage(self, kMsgValue, s, i);
            }
        });
    }
    for (auto& t : senders)
        t.join();
    MSG msg;
    while (seen.size() < kSenders * kPerSender && GetMessageTimeout(&msg, 10000)) {
        if (msg.hwnd == 0 && msg.message == kMsgValue)
            seen.emplace_back(msg.wParam, msg.lParam);
        else
            DispatchMessage(&msg);
    }
    ASSERT_EQ(seen.size(), static_cast<size_t>(kSenders * kPerSender));
    std::vector<LPARAM> next(kSenders, 0);
    for (const auto& [sender, seq] : seen) {
        ASSERT_EQ(seq, next[sender]) << "sender " << sender;
        ++next[sender];
    }
}

TEST(MessageQueue, QuitEndsTheLoopWithItsCodeAndPeekNeverBlocks) {
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg));
    PostThreadMessage(GetCurrentThreadId(), kMsgMarker, 1, 0);
    ASSERT_TRUE(PeekMessage(&msg, false)); // look without taking
    ASSERT_TRUE(PeekMessage(&msg, true));
    EXPECT_EQ(msg.message, kMsgMarker);
    EXPECT_FALSE(PeekMessage(&msg));

    PostQuitMessage(7);
    EXPECT_EQ(RunMessageLoop(), 7);
    EXPECT_FALSE(GetMessageTimeout(&msg, 20));
    EXPECT_EQ(msg.message, WM_NULL);
}

TEST(MessageQueue, WaitFdIsReadableExactlyWhileSomethingWaits) {
    const int fd = GetQueueWaitFd();
    ASSERT_GE(fd, 0);
    MSG msg;
    while (PeekMessage(&msg)) {
    }
    EXPECT_FALSE(WaitFdReadable(fd, 0));
    std::thread([id = GetCurrentThreadId()] { PostThreadMessage(id, kMsgMarker, 0, 0); }).join();
    EXPECT_TRUE(WaitFdReadable(fd, 5000));
    PostThreadMessage(GetCurrentThreadId(), kMsgMarker, 1, 0);
    ASSERT_TRUE(PeekMessage(&msg));
    EXPECT_TRUE(WaitFdReadable(fd, 0)) << "one message still waits";
    ASSERT_TRUE(PeekMessage(&msg));
    EXPECT_FALSE(WaitFdReadable(fd, 0));
}

TEST(MessageQueue, RegisteredMessagesShareIdsByName) {
    const UINT tcp = RegisterWindowMessage("Tcp Notify Msg");
    const UINT udp = RegisterWindowMessage("Udp Notify Msg");
    EXPECT_GE(tcp, WM_FIRST_REGISTERED);
    EXPECT_GE(udp, WM_FIRST_REGISTERED);
    EXPECT_NE(tcp, udp);
    UINT fromThread = 0;
    std::thread([&] { fromThread = RegisterWindowMessage("Tcp Notify Msg"); }).join();
    EXPECT_EQ(fromThread, tcp);
    EXPECT_EQ(RegisterWindowMessage("TCP NOTIFY MSG"), tcp);
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
    EXPECT_EQ(RegisterWindowMessage(nullptr), 0u);
}

TEST(MessageQueue, MessagesForADestroyedWindowAreDropped) {
    int calls = 0;
    bool destroyedWhileValid = false;
    HWND hwnd = 0;
    auto window = std::make_unique<FunctionWindow>([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == kMsgValue)
            ++calls;
        if (msg == WM_DESTROY)
            destroyedWhileValid = IsWindow(hwnd);
        return 0;
    });
    hwnd = window->Create("doomed");
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetWindowThreadId(hwnd), GetCurrentThreadId());
    EXPECT_EQ(FindWindow("doomed"), hwnd);
    ASSERT_TRUE(PostMessage(hwnd, kMsgValue, 0, 0));
    ASSERT_TRUE(PostMessage(hwnd, kMsgValue, 0, 0));
    window->Destroy(); // two messages for it still queued
    EXPECT_TRUE(destroyedWhileValid) << "WM_DESTROY comes while the handle is still valid";
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(FindWindow("doomed"), 0u);
    EXPECT_FALSE(PostMessage(hwnd, kMsgValue, 0, 0));
    EXPECT_EQ(SendMessage(hwnd, kMsgValue, 0, 0), 0);
    PostThreadMessage(GetCurrentThreadId(), kMsgMarker, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessageTimeout(&msg, 5000));
    EXPECT_EQ(msg.message, kMsgMarker) << "queued messages of the dead window were not discarded";
    // A stale message (taken before the window went) dispatches to nobody.
    msg.hwnd = hwnd;
    msg.message = kMsgValue;
    EXPECT_EQ(DispatchMessage(&msg), 0);
    EXPECT_EQ(calls, 0);

    // Handles are never reused.
    FunctionWindow next([](UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    EXPECT_GT(next.Create(), hwnd);
}

// A window that deletes itself inside its own procedure (ASan catches any later touch).
class SelfDeletingWindow : public Window {
protected:
    LRESULT WindowProc(UINT msg, WPARAM, LPARAM) override {
        if (msg == kMsgValue) {
            PostMessage(GetSafeHwnd(), kMsgValue, 0, 0); // queued, then discarded with the window
            delete this;
            return 42;
        }
        return 0;
    }
};

TEST(MessageQueue, WindowMayDestroyItselfInItsProcedure) {
    auto* window = new SelfDeletingWindow;
    const HWND hwnd = window->Create();
    PostMessage(hwnd, kMsgValue, 0, 0);
    PostMessage(hwnd, kMsgValue, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessageTimeout(&msg, 5000));
    EXPECT_EQ(DispatchMessage(&msg), 42);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PeekMessage(&msg)) << "messages for the deleted window must be gone";
}

TEST(MessageQueue, PostsToAThreadThatEndedFail) {
    ThreadId id = 0;
    HWND hwnd = 0;
    std::thread([&] {
        static FunctionWindow* leaked = nullptr; // a window its thread never destroyed
        leaked = new FunctionWindow([](UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
        hwnd = leaked->Create();
        id = GetCurrentThreadId();
    }).join();
    EXPECT_FALSE(PostThreadMessage(id, kMsgMarker, 0, 0));
    EXPECT_FALSE(PostMessage(hwnd, kMsgMarker, 0, 0));
    EXPECT_EQ(SendMessage(hwnd, kMsgMarker, 0, 0), 0);
}

} // namespace
} // namespace orv
