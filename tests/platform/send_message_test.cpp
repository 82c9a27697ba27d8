// SendMessage: direct on the own thread, blocking across threads, and never deadlocking
// when threads send to each other.
#include "platform/message.h"
#include "window_thread.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <thread>

namespace orv {
namespace {

constexpr UINT kMsgAdd = WM_USER + 10;   // returns wParam + 1
constexpr UINT kMsgPing = WM_USER + 11;  // sends kMsgPing(wParam - 1) to lParam's window; returns depth
constexpr UINT kMsgRounds = WM_USER + 12;
constexpr UINT kMsgThread = WM_USER + 13; // returns the thread it runs on

TEST(SendMessage, ToOwnThreadIsADirectCallAheadOfPostedMessages) {
    ThreadId ranOn = 0;
    FunctionWindow window([&](UINT msg, WPARAM w, LPARAM) -> LRESULT {
        ranOn = GetCurrentThreadId();
        return msg == kMsgAdd ? static_cast<LRESULT>(w + 1) : 0;
    });
    const HWND hwnd = window.Create();
    PostMessage(hwnd, kMsgAdd, 100, 0);
    EXPECT_EQ(SendMessage(hwnd, kMsgAdd, 1, 0), 2);
    EXPECT_EQ(ranOn, GetCurrentThreadId());
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg)) << "the posted message must still wait: send did not pump";
    EXPECT_EQ(msg.wParam, 100u);
}

TEST(SendMessage, ToAnotherThreadRunsThereAndReturnsItsResult) {
    test::WindowThread worker([](UINT msg, WPARAM w, LPARAM) -> LRESULT {
        if (msg == kMsgThread)
            return GetCurrentThreadId();
        return msg == kMsgAdd ? static_cast<LRESULT>(w + 1) : 0;
    });
    ASSERT_TRUE(test::StartWindowThread(worker));
    EXPECT_EQ(SendMessage(worker.Hwnd(), kMsgThread, 0, 0), static_cast<LRESULT>(worker.GetThreadId()));
    for (WPARAM i = 0; i < 200; ++i)
        ASSERT_EQ(SendMessage(worker.Hwnd(), kMsgAdd, i, 0), static_cast<LRESULT>(i + 1));
    EXPECT_TRUE(worker.Stop(10000));
}

// Two threads each send many messages to the other's window at the same time; both must
// finish. Each also answers nested sends (ping-pong) while it is itself waiting.
TEST(SendMessage, TwoThreadsSendingToEachOtherNeverDeadlock) {
    constexpr int kRounds = 2000;
    std::atomic<HWND> peerOfA{0}, peerOfB{0};
    Event doneA(true), doneB(true);
    std::atomic<int> failures{0};
    auto makeProc = [&](std::atomic<HWND>* peer, Event* done) {
        return [&failures, peer, done](UINT msg, WPARAM w, LPARAM) -> LRESULT {
            switch (msg) {
            case kMsgAdd:
                return static_cast<LRESULT>(w + 1);
            case kMsgPing:
                return w == 0 ? 0 : 1 + SendMessage(peer->load(), kMsgPing, w - 1, 0);
            case kMsgRounds:
                for (int i = 0; i < kRounds; ++i) {
                    if (SendMessage(peer->load(), kMsgAdd, i, 0) != i + 1)
                        ++failures;
                    if (i % 100 == 0 && SendMessage(peer->load(), kMsgPing, 9, 0) != 9)
                        ++failures;
                }
                done->Set();
                return 0;
            default:
                return 0;
            }
        };
    };
    test::WindowThread a(makeProc(&peerOfA, &doneA));
    test::WindowThread b(makeProc(&peerOfB, &doneB));
    ASSERT_TRUE(test::StartWindowThread(a));
    ASSERT_TRUE(test::StartWindowThread(b));
    peerOfA = b.Hwnd();
    peerOfB = a.Hwnd();
    PostMessage(a.Hwnd(), kMsgRounds, 0, 0);
    PostMessage(b.Hwnd(), kMsgRounds, 0, 0);
    ASSERT_TRUE(doneA.Wait(60000)) << "thread A stuck: deadlock";
    ASSERT_TRUE(doneB.Wait(60000)) << "thread B stuck: deadlock";
    EXPECT_EQ(failures.load(), 0);
    EXPECT_TRUE(a.Stop(10000));
    EXPECT_TRUE(b.Stop(10000));
}

// The owner destroys its window while a send to it is queued: the sender gets 0 and the
// procedure never runs.
TEST(SendMessage, SendQueuedForAWindowDestroyedBeforeItRanReturnsZero) {
    std::atomic<int> calls{0};
    std::atomic<HWND> hwnd{0};
    Event sendQueued(true), windowGone(true);
    std::thread owner([&] {
        auto window = std::make_unique<FunctionWindow>([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg == kMsgAdd)
                ++calls;
            return 1;
        });
        hwnd = window->Create();
        sendQueued.Wait(10000);
        pollfd p{GetQueueWaitFd(), POLLIN, 0};
        poll(&p, 1, 10000); // the sent call has arrived
        window.reset();
        windowGone.Set();
        MSG msg;
        while (PeekMessage(&msg)) { // serves the sent call: nobody to run it
        }
    });
    while (hwnd.load() == 0)
        std::this_thread::yield();
    std::thread sender([&] {
        sendQueued.Set();
        EXPECT_EQ(SendMessage(hwnd.load(), kMsgAdd, 0, 0), 0);
    });
    sender.join();
    owner.join();
    EXPECT_TRUE(windowGone.Wait(0));
    EXPECT_EQ(calls.load(), 0);
}

TEST(SendMessage, SenderIsReleasedWhenTheTargetThreadEnds) {
    std::atomic<HWND> hwnd{0};
    Event release(true);
    std::thread owner([&] {
        static FunctionWindow* leaked = nullptr; // left alive on purpose: the thread just ends
        leaked = new FunctionWindow([](UINT, WPARAM, LPARAM) -> LRESULT { return 5; });
        hwnd = leaked->Create();
        pollfd p{GetQueueWaitFd(), POLLIN, 0};
        poll(&p, 1, 10000); // a sent call waits; end without serving it
    });
    while (hwnd.load() == 0)
        std::this_thread::yield();
    EXPECT_EQ(SendMessage(hwnd.load(), kMsgAdd, 0, 0), 0);
    owner.join();
}

} // namespace
} // namespace orv
