// Window timers: repeat, restart, kill, and no pile-up while the thread is busy.
#include "platform/message.h"
#include "platform/tick.h"

#include <gtest/gtest.h>
#include <poll.h>

namespace orv {
namespace {

struct TimerWindow {
    FunctionWindow window{[](UINT, WPARAM, LPARAM) -> LRESULT { return 0; }};
    HWND hwnd = window.Create("timers");
};

// Waits (bounded) for the next WM_TIMER of hwnd; its id, or 0 when none came.
std::uintptr_t NextTimer(HWND hwnd, std::uint32_t timeoutMs) {
    const std::uint32_t start = GetTickCount();
    MSG msg;
    for (;;) {
        const std::int32_t left = static_cast<std::int32_t>(timeoutMs) - TickDiff(GetTickCount(), start);
        if (left <= 0 || !GetMessageTimeout(&msg, static_cast<std::uint32_t>(left)))
            return 0;
        if (msg.message == WM_TIMER && msg.hwnd == hwnd)
            return msg.wParam;
    }
}

TEST(Timers, FireRepeatedlyUntilKilled) {
    TimerWindow w;
    ASSERT_EQ(SetTimer(w.hwnd, 3, 5), 3u);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(NextTimer(w.hwnd, 5000), 3u) << "tick " << i;
    EXPECT_TRUE(KillTimer(w.hwnd, 3));
    EXPECT_FALSE(KillTimer(w.hwnd, 3));
    EXPECT_EQ(NextTimer(w.hwnd, 100), 0u) << "a killed timer ticked";
}

TEST(Timers, KillRemovesATickAlreadyQueued) {
    TimerWindow w;
    SetTimer(w.hwnd, 1, 1);
    MSG msg;
    const std::uint32_t start = GetTickCount();
    while (!(PeekMessage(&msg, false) && msg.message == WM_TIMER) && TickDiff(GetTickCount(), start) < 5000)
        Sleep(1);
    ASSERT_EQ(msg.message, WM_TIMER);
    KillTimer(w.hwnd, 1);
    EXPECT_FALSE(PeekMessage(&msg));
}

TEST(Timers, SettingAgainRestartsWithTheNewPeriod) {
    TimerWindow w;
    SetTimer(w.hwnd, 9, 5);
    ASSERT_EQ(NextTimer(w.hwnd, 5000), 9u);
    SetTimer(w.hwnd, 9, 600000); // ten minutes: must not tick in the next moments
    MSG msg;
    while (PeekMessage(&msg)) { // drop a tick that may have been queued before the restart
    }
    EXPECT_EQ(NextTimer(w.hwnd, 100), 0u);
    SetTimer(w.hwnd, 9, 5);
    EXPECT_EQ(NextTimer(w.hwnd, 5000), 9u);
}

TEST(Timers, DueTimerMakesTheWaitFdReadable) {
    TimerWindow w; // another event loop waits on this fd and then drains with PeekMessage
    MSG msg;
    while (PeekMessage(&msg)) {
    }
    SetTimer(w.hwnd, 4, 5);
    pollfd p{GetQueueWaitFd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    ASSERT_TRUE(PeekMessage(&msg));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 4u);
}

TEST(Timers, BusyThreadGetsOneTickNotABurst) {
    TimerWindow w;
    SetTimer(w.hwnd, 2, 1);
    Sleep(50); // ~50 periods pass without the queue being read
    int ticks = 0;
    MSG msg;
    while (PeekMessage(&msg))
        ticks += msg.message == WM_TIMER;
    EXPECT_EQ(ticks, 1);
}

TEST(Timers, TwoTimersOnOneWindowAndBadHandles) {
    TimerWindow w;
    SetTimer(w.hwnd, 1, 3);
    SetTimer(w.hwnd, 2, 3);
    bool seen1 = false, seen2 = false;
    for (int i = 0; i < 20 && !(seen1 && seen2); ++i) {
        const auto id = NextTimer(w.hwnd, 5000);
        seen1 = seen1 || id == 1;
        seen2 = seen2 || id == 2;
    }
    EXPECT_TRUE(seen1 && seen2);
    EXPECT_EQ(SetTimer(0xDEAD, 1, 10), 0u);
    EXPECT_EQ(SetTimer(w.hwnd, 0, 10), 0u);
    w.window.Destroy(); // takes its timers along
    EXPECT_FALSE(KillTimer(w.hwnd, 1));
    EXPECT_EQ(NextTimer(w.hwnd, 50), 0u);
}

} // namespace
} // namespace orv
