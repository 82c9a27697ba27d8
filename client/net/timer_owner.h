// What the timer manager calls back: implemented by the message handlers.
#pragma once

#include "client/net/timer_entry.h"

#include <cstdint>

namespace orv {

class CTimerOwner {
public:
    virtual ~CTimerOwner() = default;

    // The handler's use count: every callback is bracketed by TakeUse / GiveBackUse, and is
    // skipped when TakeUse returns false (the owner is already on its way to deletion).
    // TakeUse is called with the timer list lock held while an entry of this owner is still
    // registered, so an owner that removes its entries before it is freed is alive then.
    virtual bool TakeUse() = 0;
    virtual void GiveBackUse() = 0;

    // Called with the list lock held. Sends the entry's packet again under a fresh sequence
    // number, written into the entry's copy (entry.SetSeqNum).
    virtual void ReSendData(TimerEntry& entry) = 0;
    // A request ran out of retries; the entry is already gone. Called without the list lock;
    // the packet copy is freed when this returns.
    virtual void OnMsgTimeOut(const std::uint8_t* packet, std::uint32_t length) = 0;
    // A one-shot timer expired; the entry is already gone. Called without the list lock.
    virtual void OnTimer() = 0;
    // Call timers, called with the list lock held; the entry is removed afterwards, so an
    // operation that wants to run again registers a new entry.
    virtual void OnChannelTimer() {}
    virtual void OnAudioProbeTimer() {}
    virtual void OnVideoProbeTimer() {}
};

} // namespace orv
