// ConfSeatTable: the four member seats of a conference as this client knows them, under a
// lock of its own (messages arrive on the network thread, commands come from the user
// interface). The seat updates check the channel, the member and the status the way the
// conference server's notices must follow each other; a refused update leaves the seat as
// it was, logs why and answers false.
//   free(0) -> invited(1) -> alerting(4) -> connected(5) -> free; ConfStatus sets any seat.
#pragma once

#include "platform/thread.h"
#include "wire/conf_messages.h"

#include <array>
#include <cstdint>

namespace orv {

class ConfSeatTable {
public:
    ConfSeatTable();

    // A copy of a seat (a free seat for a channel out of range).
    ConfSeatEntry Get(int seat) const;
    std::uint32_t EndpointOf(int seat) const;

    void SetFromStatus(int seat, const ConfSeatEntry& entry);
    // The seat updates of the member notices ("by Invite", "by alert", "by connect", "by
    // disconnect"). An invited member clears a seat on disconnect only when it is connected;
    // the chairman clears it whatever its status.
    bool ByInvite(const ConfSeatEntry& member);
    bool ByAlert(const ConfSeatEntry& member);
    bool ByConnect(const ConfSeatEntry& member);
    bool ByDisconnect(const ConfSeatEntry& member, bool chairman);
    void ClearAll();

private:
    static ConfSeatEntry Cleared(int seat);
    // The seat holds this member (endpoint and number alike).
    bool Holds(int seat, const ConfSeatEntry& member) const;

    mutable CriticalSection m_lock;
    std::array<ConfSeatEntry, kConfSeats> m_seats;
};

} // namespace orv
