// The process-wide timer thread of the server conversations: resends unanswered requests,
// reports requests whose retries are used up, fires one-shot and call timers.
//
// Every 500 ms the thread runs one scan pass over the entries in registration order. An entry
// expires on the first pass where (now - start tick - interval) > 0 in signed 32-bit
// arithmetic (the delay instead of the interval for a request not yet sent), so the tick's
// wrap-around never makes a fresh entry expire. A pass makes at most one OnMsgTimeOut or
// OnTimer call and ends there; other expired entries of those kinds wait for the next pass.
//
// Lock: one re-entrant list lock. A pass holds it across ReSendData and the call-timer
// operations (which may therefore register or remove entries on the same thread) and leaves
// it before OnMsgTimeOut and OnTimer.
#pragma once

#include "client/net/timer_entry.h"
#include "client/net/timer_owner.h"
#include "platform/thread.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <vector>

namespace orv {

class CTimerManager : public WorkerThread {
public:
    using Clock = std::function<std::uint32_t()>; // millisecond tick, wrapping at 32 bits
    static constexpr std::uint32_t kScanPeriodMs = 500;
    static constexpr std::uint16_t kConfPacketType = 0x0A0A; // packets that FindPendingByName looks at
    static constexpr std::uint32_t kConfNameOffset = 13;
    // Match flags of FindTimers / RemoveTimers.
    static constexpr std::uint32_t kMatchSeqNum = 1;
    static constexpr std::uint32_t kMatchPktType = 2;

    // clock: nullptr = the platform tick. startThread = false leaves the thread unstarted so
    // that the owner drives the passes with ScanOnce (tests).
    explicit CTimerManager(Clock clock = nullptr, bool startThread = true);
    ~CTimerManager() override;

    // Copies the packet when it is not null and length > 0; the start tick is now.
    void AddTimer(const std::uint8_t* packet, std::uint32_t length, std::int32_t retries, std::uint32_t interval,
                  std::uint8_t kind, CTimerOwner* owner, std::uint32_t delay);
    // Over this owner's pending requests in order: matches need (flag 1 clear or SeqNum equal)
    // and (flag 2 clear or PktType equal); with neither flag nothing matches. Every match is
    // removed when remove is set; copy (if given) receives the first match's packet.
    bool FindTimers(CTimerOwner* owner, std::uint32_t seqNum, std::uint16_t pktType, std::uint32_t matchFlags,
                    bool remove, std::vector<std::uint8_t>* copy = nullptr);
    // Removes this owner's entries of this kind (for kind 1 filtered by the match flags as
    // above, so kind 1 without a flag removes nothing). Unknown kinds remove nothing.
    void RemoveTimers(CTimerOwner* owner, std::uint32_t seqNum, std::uint16_t pktType, std::uint32_t matchFlags,
                      std::uint8_t kind);
    void RemoveOwnerTimers(CTimerOwner* owner);
    // First pending request of any owner with PktType 0x0A0A whose NUL-terminated text at
    // offset 13 equals name; removed when asked. Short or unterminated packets never match.
    bool FindPendingByName(const std::string& name, bool remove);

    // One scan pass (the thread runs one per period).
    void ScanOnce();
    // Ends the thread (no time limit) and frees every entry. Safe to call more than once.
    void Stop();
    std::size_t Count();

protected:
    int Run() override;

private:
    enum class Action { Continue, EndPass };
    Action ScanEntry(TimerEntry& entry, std::unique_lock<CriticalSection>& lock);
    Action ExpireWithCallback(TimerEntry& entry, std::unique_lock<CriticalSection>& lock);
    bool Matches(const TimerEntry& entry, CTimerOwner* owner, std::uint32_t seqNum, std::uint16_t pktType,
                 std::uint32_t matchFlags) const;
    template <class Predicate> void RemoveIf(Predicate predicate);
    void Unlink(TimerEntry& entry);
    void PurgeRemoved();
    std::uint32_t Now() const { return m_clock(); }

    Clock m_clock;
    CriticalSection m_lock;
    std::list<TimerEntry> m_entries; // guarded by m_lock; in registration order
    bool m_inPass = false;           // guarded by m_lock: removals only mark entries
    std::atomic<bool> m_quit{false};
    bool m_started = false;
    Event m_wake{false, false};      // cuts the sleep short when stopping
};

} // namespace orv
