// Scan passes driven by hand against an injected clock, so no test races real time.
#include "client/net/timer_manager.h"
#include "platform/tick.h"
#include "timer_test_owner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace orv {
namespace {

using test::MakePacket;
using test::RecordingOwner;
using test::SeqOf;
using Bytes = std::vector<std::uint8_t>;

class TimerManagerTest : public ::testing::Test {
protected:
    // Advances the clock by one scan period and runs a pass, n times.
    void Pass(int n = 1) {
        for (int i = 0; i < n; ++i) {
            m_now += CTimerManager::kScanPeriodMs;
            m_timers.ScanOnce();
        }
    }
    void AddRequest(RecordingOwner* owner, const Bytes& packet, std::int32_t retries, std::uint32_t interval,
                    std::uint32_t delay = 0) {
        m_timers.AddTimer(packet.data(), static_cast<std::uint32_t>(packet.size()), retries, interval,
                          kTimerPendingRequest, owner, delay);
    }
    void AddTimer(RecordingOwner* owner, std::uint8_t kind, std::uint32_t interval) {
        m_timers.AddTimer(nullptr, 0, 0, interval, kind, owner, 0);
    }
    std::function<std::uint32_t()> Clock() {
        return [this] { return m_now.load(); };
    }

    std::atomic<std::uint32_t> m_now{1000};
    CTimerManager m_timers{Clock(), false};
    RecordingOwner m_owner{Clock()};
    RecordingOwner m_other{Clock()};
};

TEST_F(TimerManagerTest, RequestWithoutRetriesIsNeverResentAndTimesOutAfterItsInterval) {
    const Bytes packet = MakePacket(0x0101, 7, "abc");
    AddRequest(&m_owner, packet, 0, 5000);
    Pass(10); // exactly 5000 ms later: not yet expired
    EXPECT_TRUE(m_owner.timeOuts.empty());
    Pass();
    EXPECT_TRUE(m_owner.sends.empty());
    ASSERT_EQ(m_owner.timeOuts.size(), 1u);
    EXPECT_EQ(m_owner.timeOuts[0], packet);
    EXPECT_EQ(m_owner.timeOutTicks[0], 6500u);
    EXPECT_EQ(m_timers.Count(), 0u);
    EXPECT_EQ(m_owner.uses, 0);
}

TEST_F(TimerManagerTest, TwoRetriesMeanThreeSendsInAllEachUnderAFreshSeqNum) {
    AddRequest(&m_owner, MakePacket(0x0102, 7), 2, 5000); // the first send is the handler's own
    Pass(40);
    const auto sends = m_owner.sends;
    ASSERT_EQ(sends.size(), 2u);
    EXPECT_EQ(sends[0].seq, 100u);
    EXPECT_EQ(sends[0].tick, 6500u);
    EXPECT_EQ(sends[1].seq, 101u);
    EXPECT_EQ(sends[1].tick, 12000u);
    ASSERT_EQ(m_owner.timeOuts.size(), 1u);
    EXPECT_EQ(SeqOf(m_owner.timeOuts[0]), 101u); // the copy carries the last number sent
    EXPECT_EQ(m_owner.timeOutTicks[0], 17500u);
}

TEST_F(TimerManagerTest, UnlimitedRetriesKeepResending) {
    AddRequest(&m_owner, MakePacket(0x0000, 0), -1, 1000);
    Pass(200);
    EXPECT_EQ(m_owner.sends.size(), 66u); // every third pass: 1500 ms apart at 500 ms resolution
    EXPECT_TRUE(m_owner.timeOuts.empty());
    EXPECT_EQ(m_timers.Count(), 1u);
}

TEST_F(TimerManagerTest, DelayedRequestIsFirstSentAfterItsDelayWithAFreshSeqNum) {
    AddRequest(&m_owner, MakePacket(0x0A01, 0), 0, 15000, 800);
    Pass();
    EXPECT_TRUE(m_owner.sends.empty());
    Pass();
    ASSERT_EQ(m_owner.sends.size(), 1u);
    EXPECT_EQ(m_owner.sends[0].seq, 100u);
    EXPECT_EQ(m_owner.sends[0].tick, 2000u);
    Pass(30);
    EXPECT_TRUE(m_owner.timeOuts.empty()); // 15000 ms after the first send, not after registration
    Pass();
    EXPECT_EQ(m_owner.sends.size(), 1u); // retries 0: the delayed first send is the only one
    ASSERT_EQ(m_owner.timeOuts.size(), 1u);
    EXPECT_EQ(m_owner.timeOutTicks[0], 17500u);
    EXPECT_EQ(SeqOf(m_owner.timeOuts[0]), 100u);
}

TEST_F(TimerManagerTest, AnswerBetweenPassesPreventsResendAndTimeOut) {
    const Bytes packet = MakePacket(0x0103, 7, "body");
    AddRequest(&m_owner, packet, 5, 5000);
    Pass(11);
    ASSERT_EQ(m_owner.sends.size(), 1u);
    // The answer must carry the number of the latest send.
    EXPECT_FALSE(m_timers.FindTimers(&m_owner, 7, 0x0103, 3, true));
    Bytes copy;
    EXPECT_TRUE(m_timers.FindTimers(&m_owner, 100, 0x0103, 3, true, &copy));
    EXPECT_EQ(SeqOf(copy), 100u);
    EXPECT_EQ(Bytes(copy.begin() + 8, copy.end()), Bytes(packet.begin() + 8, packet.end()));
    EXPECT_EQ(m_timers.Count(), 0u);
    Pass(100);
    EXPECT_EQ(m_owner.sends.size(), 1u);
    EXPECT_TRUE(m_owner.timeOuts.empty());
}

TEST_F(TimerManagerTest, OneTimeOutOrOneShotCallbackPerPass) {
    AddRequest(&m_owner, MakePacket(0x0101, 1), 0, 5000);
    AddRequest(&m_owner, MakePacket(0x0101, 2), 0, 5000);
    AddTimer(&m_other, kTimerOneShot, 5000);
    Pass(11);
    ASSERT_EQ(m_owner.timeOuts.size(), 1u);
    EXPECT_EQ(SeqOf(m_owner.timeOuts[0]), 1u);
    Pass();
    ASSERT_EQ(m_owner.timeOuts.size(), 2u);
    EXPECT_EQ(SeqOf(m_owner.timeOuts[1]), 2u);
    EXPECT_TRUE(m_other.timerTicks.empty());
    Pass();
    EXPECT_EQ(m_owner.timeOutTicks, (std::vector<std::uint32_t>{6500, 7000}));
    EXPECT_EQ(m_other.timerTicks, std::vector<std::uint32_t>{7500});
}

TEST_F(TimerManagerTest, OwnerlessOrDepartingOwnersGetNoCallbacks) {
    AddRequest(nullptr, MakePacket(0x0101, 1), 3, 1000); // no owner: removed at expiry, pass goes on
    AddTimer(nullptr, kTimerOneShot, 1000);
    AddTimer(nullptr, kTimerChannel, 1000);
    AddTimer(nullptr, kTimerVideoProbe, 1000);
    AddRequest(&m_owner, MakePacket(0x0101, 2), 0, 1000);
    Pass(3);
    EXPECT_EQ(m_owner.timeOuts.size(), 1u); // in the same pass as the owner-less expiries
    EXPECT_EQ(m_timers.Count(), 0u);

    m_other.alive = false; // its use count reached 0: it is being deleted
    AddRequest(&m_other, MakePacket(0x0101, 3), 3, 1000);
    AddRequest(&m_other, MakePacket(0x0101, 4), 0, 1000);
    AddTimer(&m_other, kTimerOneShot, 1000);
    AddTimer(&m_other, kTimerAudioProbe, 1000);
    Pass(10);
    EXPECT_TRUE(m_other.sends.empty());
    EXPECT_TRUE(m_other.timeOuts.empty());
    EXPECT_TRUE(m_other.timerTicks.empty());
    EXPECT_EQ(m_other.callTimers[1], 0);
    EXPECT_EQ(m_timers.Count(), 1u); // the request with retries left waits for its owner's removal
}

TEST_F(TimerManagerTest, FindAndRemoveFollowTheMatchFlags) {
    const Bytes a1 = MakePacket(0x0101, 1), a2 = MakePacket(0x0101, 2), a3 = MakePacket(0x0102, 3);
    AddRequest(&m_owner, a1, 5, 5000);
    AddRequest(&m_owner, a2, 5, 5000);
    AddRequest(&m_owner, a3, 5, 5000);
    AddRequest(&m_owner, Bytes{1, 1, 0, 0, 0}, 5, 5000); // shorter than a header: never matches
    AddTimer(&m_owner, kTimerOneShot, 5000);
    AddTimer(&m_owner, kTimerChannel, 5000);
    AddRequest(&m_other, a1, 5, 5000);
    AddTimer(&m_other, kTimerOneShot, 5000);
    ASSERT_EQ(m_timers.Count(), 8u);

    EXPECT_FALSE(m_timers.FindTimers(&m_owner, 1, 0x0101, 0, true));
    EXPECT_FALSE(m_timers.FindTimers(&m_owner, 0, 0, 3, true));
    Bytes copy;
    EXPECT_TRUE(m_timers.FindTimers(&m_owner, 2, 0x7777, 1, false, &copy));
    EXPECT_EQ(copy, a2);
    EXPECT_TRUE(m_timers.FindTimers(&m_owner, 99, 0x0101, 2, false, &copy));
    EXPECT_EQ(copy, a1);
    EXPECT_FALSE(m_timers.FindTimers(&m_owner, 3, 0x0101, 3, false));

    m_timers.RemoveTimers(&m_owner, 1, 0x0101, 0, kTimerPendingRequest);
    m_timers.RemoveTimers(&m_owner, 1, 0x0101, 3, 0);
    m_timers.RemoveTimers(&m_owner, 1, 0x0101, 3, 6);
    EXPECT_EQ(m_timers.Count(), 8u);

    m_timers.RemoveTimers(&m_owner, 0, 0x0101, 2, kTimerPendingRequest); // both of this owner's 0x0101
    EXPECT_EQ(m_timers.Count(), 6u);
    EXPECT_TRUE(m_timers.FindTimers(&m_other, 1, 0x0101, 3, false));
    m_timers.RemoveTimers(&m_owner, 0, 0, 0, kTimerOneShot);
    EXPECT_EQ(m_timers.Count(), 5u);
    m_timers.RemoveOwnerTimers(&m_owner);
    EXPECT_EQ(m_timers.Count(), 2u);
    Pass(20);
    EXPECT_TRUE(m_owner.sends.empty());
    EXPECT_EQ(m_owner.callTimers[0], 0);
    EXPECT_EQ(m_other.timerTicks.size(), 1u);
}

TEST_F(TimerManagerTest, TickWrapAroundDoesNotExpireAFreshEntry) {
    m_now = 0xFFFFFFFFu - 200; // start + interval overflows, the clock follows later
    AddTimer(&m_owner, kTimerOneShot, 1000);
    AddRequest(&m_owner, MakePacket(0x0101, 1), 0, 5000);
    Pass(2);
    EXPECT_TRUE(m_owner.timerTicks.empty());
    Pass();
    EXPECT_EQ(m_owner.timerTicks.size(), 1u);
    Pass(7);
    EXPECT_TRUE(m_owner.timeOuts.empty());
    Pass();
    EXPECT_EQ(m_owner.timeOuts.size(), 1u);
}

TEST_F(TimerManagerTest, CallTimersMayReRegisterOrRemoveUnderTheHeldLock) {
    // An audio probe timer that registers itself again each time, with no interval at all,
    // and whose operation takes a millisecond: it still fires once per pass, not again and
    // again within one (the cap only bounds the test if it did).
    m_owner.onCallTimer = [this] {
        if (m_owner.callTimers[1] < 50) AddTimer(&m_owner, kTimerAudioProbe, 0);
        m_now += 1;
    };
    AddTimer(&m_owner, kTimerAudioProbe, 1000);
    Pass(2);
    EXPECT_EQ(m_owner.callTimers[1], 0);
    Pass();
    EXPECT_EQ(m_owner.callTimers[1], 1);
    EXPECT_EQ(m_timers.Count(), 1u);
    Pass(3);
    EXPECT_EQ(m_owner.callTimers[1], 4);
    m_timers.RemoveTimers(&m_owner, 0, 0, 0, kTimerAudioProbe);
    EXPECT_EQ(m_timers.Count(), 0u);

    // A channel timer whose operation drops all of its owner's entries, including a video
    // probe timer later in the list that expires in the same pass.
    m_other.onCallTimer = [this] { m_timers.RemoveOwnerTimers(&m_other); };
    AddTimer(&m_other, kTimerChannel, 1000);
    AddRequest(&m_other, MakePacket(0x0101, 1), 3, 1000);
    AddTimer(&m_other, kTimerVideoProbe, 1000);
    Pass(3);
    EXPECT_EQ(m_other.callTimers[0], 1);
    EXPECT_EQ(m_other.callTimers[2], 0);
    EXPECT_TRUE(m_other.sends.empty());
    EXPECT_EQ(m_timers.Count(), 0u);
}

TEST_F(TimerManagerTest, TimeOutAndOneShotCallbacksRunWithoutTheLock) {
    // Another thread can use the timer manager from inside these callbacks; a held list lock
    // would deadlock here.
    auto useFromOtherThread = [this] {
        std::thread([this] { m_timers.AddTimer(nullptr, 0, 0, 100000, kTimerOneShot, &m_other, 0); }).join();
    };
    m_owner.onTimeOut = useFromOtherThread;
    m_owner.onTimer = useFromOtherThread;
    AddRequest(&m_owner, MakePacket(0x0101, 1), 0, 1000);
    AddTimer(&m_owner, kTimerOneShot, 1000);
    Pass(4);
    EXPECT_EQ(m_owner.timeOuts.size(), 1u);
    EXPECT_EQ(m_owner.timerTicks.size(), 1u);
    EXPECT_EQ(m_timers.Count(), 2u);
}

TEST_F(TimerManagerTest, FindPendingByNameReadsOnlyInsideThePacket) {
    const std::string prefix = "\x01\x02\x03\x04\x05"; // body bytes before the name
    AddTimer(&m_owner, kTimerOneShot, 1000);
    AddRequest(&m_owner, Bytes{0x0A, 0x0A, 3}, 0, 1000);                          // shorter than a header
    AddRequest(&m_owner, MakePacket(0x0A0A, 1, "123"), 0, 1000);                  // ends before the name
    AddRequest(&m_owner, MakePacket(0x0A0A, 2, prefix + "open"), 0, 1000);        // no terminating NUL
    AddRequest(&m_owner, MakePacket(0x0A0B, 3, prefix + std::string("room1\0", 6)), 0, 1000);
    AddRequest(&m_owner, MakePacket(0x0A0A, 4, prefix + std::string("room1\0junk", 10)), 0, 1000);
    AddRequest(&m_other, MakePacket(0x0A0A, 5, prefix + std::string("dup\0", 4)), 0, 1000);
    AddRequest(&m_owner, MakePacket(0x0A0A, 6, prefix + std::string("dup\0", 4)), 0, 1000);

    EXPECT_FALSE(m_timers.FindPendingByName("open", true));
    EXPECT_FALSE(m_timers.FindPendingByName("room", true));
    EXPECT_FALSE(m_timers.FindPendingByName("room1j", true));
    EXPECT_TRUE(m_timers.FindPendingByName("room1", false));
    EXPECT_EQ(m_timers.Count(), 8u);
    EXPECT_TRUE(m_timers.FindPendingByName("room1", true));
    EXPECT_FALSE(m_timers.FindTimers(&m_owner, 4, 0x0A0A, 3, false));
    EXPECT_TRUE(m_timers.FindTimers(&m_owner, 3, 0x0A0B, 3, false));

    EXPECT_TRUE(m_timers.FindPendingByName("dup", true)); // the first of any owner
    EXPECT_FALSE(m_timers.FindTimers(&m_other, 5, 0x0A0A, 3, false));
    EXPECT_TRUE(m_timers.FindPendingByName("dup", true));
    EXPECT_FALSE(m_timers.FindPendingByName("dup", true));
    EXPECT_EQ(m_timers.Count(), 5u);
}

// The real thread: passes every 500 ms on the platform tick until Stop.
TEST(TimerManagerThreadTest, ThreadScansUntilStopAndFreesEverything) {
    CTimerManager timers;
    RecordingOwner owner([] { return GetTickCount(); });
    RecordingOwner busy([] { return GetTickCount(); });
    Event timedOut(true, false), fired(true, false);
    owner.onTimeOut = [&] {
        timers.AddTimer(nullptr, 0, 0, 0, kTimerOneShot, &owner, 0); // from the timer thread, lock left
        timedOut.Set();
    };
    owner.onTimer = [&] { fired.Set(); };
    const Bytes packet = MakePacket(0x0101, 1);
    timers.AddTimer(packet.data(), static_cast<std::uint32_t>(packet.size()), 1, 0, kTimerPendingRequest, &owner,
                    0);

    // Meanwhile this thread keeps registering and answering requests of another owner.
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (std::uint32_t seq = 0; !done.load(); ++seq) {
            const Bytes p = MakePacket(0x0102, seq);
            timers.AddTimer(p.data(), static_cast<std::uint32_t>(p.size()), -1, 0, kTimerPendingRequest, &busy, 0);
            timers.FindTimers(&busy, 0, 0x0102, 2, true);
            std::this_thread::yield();
        }
    });
    const bool gotTimeOut = timedOut.Wait(20000);
    const bool gotTimer = fired.Wait(20000);
    done = true;
    worker.join();

    EXPECT_TRUE(gotTimeOut);
    EXPECT_TRUE(gotTimer);
    EXPECT_EQ(owner.Sends().size(), 1u);
    EXPECT_EQ(owner.TimeOuts().size(), 1u);
    timers.AddTimer(packet.data(), static_cast<std::uint32_t>(packet.size()), -1, 100000, kTimerPendingRequest,
                    &owner, 0);
    timers.Stop();
    EXPECT_FALSE(timers.IsRunning());
    EXPECT_EQ(timers.Count(), 0u);
    timers.Stop();
}

} // namespace
} // namespace orv
