// Worker threads, events, the critical section and the wrapping tick.
#include "platform/message.h"
#include "platform/thread.h"
#include "platform/tick.h"

#include <gtest/gtest.h>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace orv {
namespace {

class CountingThread : public WorkerThread {
public:
    ~CountingThread() override { Stop(); }
    std::atomic<int> inits{0}, exits{0}, userMessages{0};

protected:
    bool InitInstance() override {
        ++inits;
        return true;
    }
    int Run() override {
        MSG msg;
        while (GetMessage(&msg))
            userMessages += msg.message == WM_USER;
        return 0;
    }
    int ExitInstance() override {
        ++exits;
        return 0;
    }
};

TEST(WorkerThread, StartsRunsMessagesAndStops) {
    CountingThread t;
    EXPECT_TRUE(t.PostThreadMessage(WM_USER, 0, 0) == false) << "not started yet";
    ASSERT_TRUE(t.Start());
    EXPECT_FALSE(t.Start());
    EXPECT_NE(t.GetThreadId(), 0u);
    EXPECT_NE(t.GetThreadId(), GetCurrentThreadId());
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(t.PostThreadMessage(WM_USER, 0, 0));
    EXPECT_TRUE(t.Stop(10000));
    EXPECT_FALSE(t.IsRunning());
    EXPECT_EQ(t.userMessages.load(), 10) << "messages posted before the quit are all served";
    EXPECT_EQ(t.inits.load(), 1);
    EXPECT_EQ(t.exits.load(), 1);
    EXPECT_FALSE(t.PostThreadMessage(WM_USER, 0, 0));
    EXPECT_TRUE(t.Stop()) << "stopping a stopped thread is fine";
}

// Ignores WM_QUIT until released from outside; then still uses a member of its own.
class StuckThread : public WorkerThread {
public:
    StuckThread(Event& release, std::atomic<bool>& ended) : m_release(release), m_ended(ended) {}
    ~StuckThread() override {
        if (!Stop(0)) Join();
    }

protected:
    int Run() override {
        m_release.Wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        m_afterRelease.assign(64, 'x'); // freed memory if the owner did not wait
        m_ended = true;
        return 0;
    }

private:
    Event& m_release;
    std::atomic<bool>& m_ended;
    std::string m_afterRelease;
};

TEST(WorkerThread, StopGivesUpAfterItsTimeLimitAndTheObjectOutlivesItsThread) {
    Event release(true, false);
    std::atomic<bool> ended{false};
    auto t = std::make_unique<StuckThread>(release, ended);
    ASSERT_TRUE(t->Start());
    const std::uint32_t start = GetTickCount();
    EXPECT_FALSE(t->Stop(50));
    EXPECT_LT(TickDiff(GetTickCount(), start), 5000);
    EXPECT_TRUE(t->IsRunning()) << "a thread that did not end is not cut loose";
    EXPECT_FALSE(t->ExitEvent().Wait(0)) << "the exit event belongs to the destructor";
    std::thread releaser([&release] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        release.Set();
    });
    t.reset(); // released only while the owner deletes the object: the deletion waits
    EXPECT_TRUE(ended.load());
    releaser.join();
}

TEST(Events, AutoResetReleasesOneWaitManualStaysSet) {
    Event autoEvent(false, true);
    EXPECT_TRUE(autoEvent.Wait(0));
    EXPECT_FALSE(autoEvent.Wait(0)) << "an auto-reset event resets on the wait it releases";
    Event manual(true, false);
    EXPECT_FALSE(manual.Wait(10));
    manual.Set();
    EXPECT_TRUE(manual.Wait(0));
    EXPECT_TRUE(manual.Wait(0));
    manual.Reset();
    EXPECT_FALSE(manual.Wait(0));

    // Two waiters: each Set of an auto-reset event releases exactly one of them.
    Event gate(false, false);
    std::atomic<int> released{0};
    std::thread w1([&] { released += gate.Wait(10000); });
    std::thread w2([&] { released += gate.Wait(10000); });
    gate.Set();
    for (int i = 0; i < 10000 && released.load() == 0; ++i)
        Sleep(1);
    EXPECT_EQ(released.load(), 1);
    gate.Set();
    w1.join();
    w2.join();
    EXPECT_EQ(released.load(), 2);
    EXPECT_FALSE(gate.Wait(0));
}

TEST(CriticalSection, IsReentrant) {
    CriticalSection cs;
    std::lock_guard<CriticalSection> outer(cs);
    ASSERT_TRUE(cs.TryLock());
    cs.Unlock();
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = cs.TryLock(); }).join();
    EXPECT_FALSE(otherGotIt);
}

TEST(Tick, DifferencesHoldAcrossTheWrap) {
    EXPECT_EQ(TickDiff(5u, 0xFFFFFFFBu), 10);
    EXPECT_EQ(TickDiff(0xFFFFFFFBu, 5u), -10);
    EXPECT_EQ(TickDiff(0x80000000u, 0x7FFFFFFFu), 1);
    EXPECT_GT(TickDiff(0x00000010u, 0xFFFFFFF0u), 0) << "after the wrap is later";
    const std::uint32_t before = GetTickCount();
    Sleep(20);
    EXPECT_GE(TickDiff(GetTickCount(), before), 20);
    const LocalTime now = GetLocalTime();
    EXPECT_GE(now.year, 2024);
    EXPECT_TRUE(now.month >= 1 && now.month <= 12 && now.dayOfWeek >= 0 && now.dayOfWeek <= 6);
}

} // namespace
} // namespace orv
