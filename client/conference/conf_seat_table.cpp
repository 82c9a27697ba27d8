#include "client/conference/conf_seat_table.h"

#include "client/log/log.h"

#include <mutex>

namespace orv {

ConfSeatTable::ConfSeatTable() { ClearAll(); }

ConfSeatEntry ConfSeatTable::Cleared(int seat) {
    ConfSeatEntry e;
    e.channel = static_cast<std::uint16_t>(seat);
    return e;
}

void ConfSeatTable::ClearAll() {
    std::lock_guard<CriticalSection> lock(m_lock);
    for (int i = 0; i < kConfSeats; ++i) m_seats[i] = Cleared(i);
}

ConfSeatEntry ConfSeatTable::Get(int seat) const {
    if (seat < 0 || seat >= kConfSeats) return ConfSeatEntry{};
    std::lock_guard<CriticalSection> lock(m_lock);
    return m_seats[seat];
}

std::uint32_t ConfSeatTable::EndpointOf(int seat) const { return Get(seat).endpoint; }

void ConfSeatTable::SetFromStatus(int seat, const ConfSeatEntry& entry) {
    if (seat < 0 || seat >= kConfSeats) return;
    std::lock_guard<CriticalSection> lock(m_lock);
    m_seats[seat] = entry;
}

bool ConfSeatTable::Holds(int seat, const ConfSeatEntry& member) const {
    return m_seats[seat].endpoint == member.endpoint && m_seats[seat].number == member.number;
}

bool ConfSeatTable::ByInvite(const ConfSeatEntry& m) {
    if (m.channel > 3) {
        WriteLog(3, "Error channel num in RefreshUserInfo by Invite");
        return false;
    }
    std::lock_guard<CriticalSection> lock(m_lock);
    ConfSeatEntry& seat = m_seats[m.channel];
    if (seat.status != kSeatFree)
        WriteLog(3, "Warning!!Error channel status(%d) in RefreshUserInfo by Invite", seat.status);
    seat = Cleared(m.channel);
    seat.status = kSeatInvited;
    seat.number = m.number;
    seat.endpoint = m.endpoint;
    return true;
}

bool ConfSeatTable::ByAlert(const ConfSeatEntry& m) {
    if (m.channel >= kConfSeats) {
        WriteLog(3, "Error channel num in RefreshUserInfo by alert");
        return false;
    }
    std::lock_guard<CriticalSection> lock(m_lock);
    ConfSeatEntry& seat = m_seats[m.channel];
    if (seat.status != kSeatInvited) {
        WriteLog(3, "Error channel status in RefreshUserInfo by alert");
        return false;
    }
    seat = Cleared(m.channel);
    seat.status = kSeatAlerting;
    seat.number = m.number;
    seat.endpoint = m.endpoint;
    return true;
}

bool ConfSeatTable::ByConnect(const ConfSeatEntry& m) {
    if (m.channel >= kConfSeats) {
        WriteLog(3, "Error channel num in RefreshUserInfo by connect");
        return false;
    }
    std::lock_guard<CriticalSection> lock(m_lock);
    ConfSeatEntry& seat = m_seats[m.channel];
    if (!Holds(m.channel, m)) {
        WriteLog(3, "Error user info in RefreshUserInfo by connect");
        return false;
    }
    if (seat.status != kSeatAlerting && seat.status != kSeatInvited) {
        WriteLog(3, "Error channel status in RefreshUserInfo by connect");
        return false;
    }
    seat.status = kSeatConnected;
    seat.media = m.media;
    return true;
}

bool ConfSeatTable::ByDisconnect(const ConfSeatEntry& m, bool chairman) {
    if (m.channel >= kConfSeats) {
        WriteLog(3, "Error channel num in RefreshUserInfo by disconnect");
        return false;
    }
    std::lock_guard<CriticalSection> lock(m_lock);
    if (!Holds(m.channel, m)) {
        WriteLog(3, "Error user info in RefreshUserInfo by disconnect");
        return false;
    }
    if (!chairman && m_seats[m.channel].status != kSeatConnected) {
        WriteLog(3, "Error channel status in RefreshUserInfo by disconnect");
        return false;
    }
    m_seats[m.channel] = Cleared(m.channel);
    return true;
}

} // namespace orv
