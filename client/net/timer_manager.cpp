#include "client/net/timer_manager.h"

#include "platform/message.h"
#include "platform/tick.h"

#include <iterator>
#include <string_view>

namespace orv {
namespace {

bool Expired(std::uint32_t now, std::uint32_t start, std::uint32_t span) {
    return static_cast<std::int32_t>(now - start - span) > 0;
}

// Runs f(owner) inside one use of the owner; false (and no call) without an owner or when
// the owner no longer gives out uses.
template <class F> bool WithUse(CTimerOwner* owner, F f) {
    if (!owner || !owner->TakeUse()) return false;
    f(*owner);
    owner->GiveBackUse();
    return true;
}

} // namespace

CTimerManager::CTimerManager(Clock clock, bool startThread)
    : m_clock(clock ? std::move(clock) : Clock([] { return GetTickCount(); })) {
    if (startThread) m_started = Start();
}

CTimerManager::~CTimerManager() { Stop(); }

void CTimerManager::AddTimer(const std::uint8_t* packet, std::uint32_t length, std::int32_t retries,
                             std::uint32_t interval, std::uint8_t kind, CTimerOwner* owner, std::uint32_t delay) {
    TimerEntry entry;
    if (packet && length > 0) entry.packet.assign(packet, packet + length);
    entry.retries = retries;
    entry.startTick = Now();
    entry.interval = interval;
    entry.kind = kind;
    entry.owner = owner;
    entry.delay = delay;
    std::lock_guard<CriticalSection> lock(m_lock);
    m_entries.push_back(std::move(entry));
}

bool CTimerManager::Matches(const TimerEntry& entry, CTimerOwner* owner, std::uint32_t seqNum, std::uint16_t pktType,
                            std::uint32_t matchFlags) const {
    if (entry.removed || entry.kind != kTimerPendingRequest || entry.owner != owner) return false;
    if ((matchFlags & (kMatchSeqNum | kMatchPktType)) == 0 || !entry.HasHeader()) return false;
    if ((matchFlags & kMatchSeqNum) && entry.SeqNum() != seqNum) return false;
    if ((matchFlags & kMatchPktType) && entry.PktType() != pktType) return false;
    return true;
}

bool CTimerManager::FindTimers(CTimerOwner* owner, std::uint32_t seqNum, std::uint16_t pktType,
                               std::uint32_t matchFlags, bool remove, std::vector<std::uint8_t>* copy) {
    std::lock_guard<CriticalSection> lock(m_lock);
    bool found = false;
    for (TimerEntry& entry : m_entries) {
        if (!Matches(entry, owner, seqNum, pktType, matchFlags)) continue;
        if (!found && copy) *copy = entry.packet;
        found = true;
        if (!remove) break;
        Unlink(entry);
    }
    if (remove) PurgeRemoved();
    return found;
}

void CTimerManager::RemoveTimers(CTimerOwner* owner, std::uint32_t seqNum, std::uint16_t pktType,
                                 std::uint32_t matchFlags, std::uint8_t kind) {
    if (kind < kTimerPendingRequest || kind > kTimerVideoProbe) return;
    RemoveIf([&](const TimerEntry& entry) {
        if (kind == kTimerPendingRequest) return Matches(entry, owner, seqNum, pktType, matchFlags);
        return entry.kind == kind && entry.owner == owner;
    });
}

void CTimerManager::RemoveOwnerTimers(CTimerOwner* owner) {
    RemoveIf([owner](const TimerEntry& entry) { return entry.owner == owner; });
}

bool CTimerManager::FindPendingByName(const std::string& name, bool remove) {
    std::lock_guard<CriticalSection> lock(m_lock);
    for (TimerEntry& entry : m_entries) {
        if (entry.removed || entry.kind != kTimerPendingRequest || entry.PktType() != kConfPacketType) continue;
        if (entry.packet.size() <= kConfNameOffset) continue;
        const std::string_view tail(reinterpret_cast<const char*>(entry.packet.data()) + kConfNameOffset,
                                    entry.packet.size() - kConfNameOffset);
        const std::size_t nul = tail.find('\0');
        if (nul == std::string_view::npos || tail.substr(0, nul) != name) continue;
        if (remove) {
            Unlink(entry);
            PurgeRemoved();
        }
        return true;
    }
    return false;
}

std::size_t CTimerManager::Count() {
    std::lock_guard<CriticalSection> lock(m_lock);
    std::size_t count = 0;
    for (const TimerEntry& entry : m_entries) count += entry.removed ? 0 : 1;
    return count;
}

template <class Predicate> void CTimerManager::RemoveIf(Predicate predicate) {
    std::lock_guard<CriticalSection> lock(m_lock);
    for (TimerEntry& entry : m_entries) {
        if (!entry.removed && predicate(entry)) Unlink(entry);
    }
    PurgeRemoved();
}

// Marks the entry and frees its packet copy at once; the list node goes when no scan pass
// is walking the list (callbacks under the lock may remove entries the pass has yet to visit).
void CTimerManager::Unlink(TimerEntry& entry) {
    entry.removed = true;
    entry.packet = {};
}

void CTimerManager::PurgeRemoved() {
    if (!m_inPass) m_entries.remove_if([](const TimerEntry& entry) { return entry.removed; });
}

void CTimerManager::ScanOnce() {
    std::unique_lock<CriticalSection> lock(m_lock);
    if (m_entries.empty() || m_inPass) return;
    m_inPass = true;
    // Entries registered by callbacks during this pass wait for the next one.
    const auto last = std::prev(m_entries.end());
    for (auto it = m_entries.begin();; ++it) {
        const bool atLast = it == last;
        if (!it->removed && ScanEntry(*it, lock) == Action::EndPass) return; // the lock is already left
        if (atLast) break;
    }
    m_inPass = false;
    PurgeRemoved();
}

CTimerManager::Action CTimerManager::ScanEntry(TimerEntry& entry, std::unique_lock<CriticalSection>& lock) {
    switch (entry.kind) {
    case kTimerPendingRequest:
        if (entry.delay != 0) { // first send of a delayed request
            if (!Expired(Now(), entry.startTick, entry.delay)) return Action::Continue;
            if (!entry.owner) {
                Unlink(entry);
            } else if (WithUse(entry.owner, [&](CTimerOwner& owner) { owner.ReSendData(entry); })) {
                entry.delay = 0;
                entry.startTick = Now();
            }
            return Action::Continue;
        }
        if (!Expired(Now(), entry.startTick, entry.interval)) return Action::Continue;
        if (entry.retries == 0 || !entry.owner) return ExpireWithCallback(entry, lock);
        WithUse(entry.owner, [&](CTimerOwner& owner) {
            if (entry.retries > 0) --entry.retries;
            owner.ReSendData(entry);
            entry.startTick = Now();
        });
        return Action::Continue;
    case kTimerOneShot:
        if (!Expired(Now(), entry.startTick, entry.interval)) return Action::Continue;
        return ExpireWithCallback(entry, lock);
    case kTimerChannel:
    case kTimerAudioProbe:
    case kTimerVideoProbe:
        if (!Expired(Now(), entry.startTick, entry.interval)) return Action::Continue;
        WithUse(entry.owner, [&entry](CTimerOwner& owner) {
            if (entry.kind == kTimerChannel) owner.OnChannelTimer();
            else if (entry.kind == kTimerAudioProbe) owner.OnAudioProbeTimer();
            else owner.OnVideoProbeTimer();
        });
        Unlink(entry);
        return Action::Continue;
    default:
        return Action::Continue;
    }
}

// Removes an expired request without retries or an expired one-shot timer and, when it has
// an owner, reports it outside the lock and ends the pass.
CTimerManager::Action CTimerManager::ExpireWithCallback(TimerEntry& entry, std::unique_lock<CriticalSection>& lock) {
    const std::vector<std::uint8_t> packet = std::move(entry.packet);
    CTimerOwner* const owner = entry.owner;
    const bool isRequest = entry.kind == kTimerPendingRequest;
    Unlink(entry);
    if (!owner || !owner->TakeUse()) return Action::Continue;
    m_inPass = false;
    PurgeRemoved();
    lock.unlock();
    if (isRequest) {
        owner->OnMsgTimeOut(packet.empty() ? nullptr : packet.data(), static_cast<std::uint32_t>(packet.size()));
    } else {
        owner->OnTimer();
    }
    owner->GiveBackUse();
    return Action::EndPass;
}

int CTimerManager::Run() {
    while (!m_quit.load()) {
        MSG msg;
        if (PeekMessage(&msg, true)) {
            if (msg.message == WM_QUIT) {
                m_quit = true;
                break;
            }
            DispatchMessage(&msg);
        }
        ScanOnce();
        m_wake.Wait(kScanPeriodMs);
    }
    return 0;
}

void CTimerManager::Stop() {
    if (m_started) {
        PostThreadMessage(WM_QUIT, 0, 0); // queued before the wake-up, so the loop sees it at once
        m_wake.Set();
        WorkerThread::Stop(Event::kInfinite);
        m_started = false;
    }
    RemoveIf([](const TimerEntry&) { return true; });
}

} // namespace orv
