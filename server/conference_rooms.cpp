#include "server/conference_rooms.h"

namespace orv {

ConfSeatEntry ConfSeat::Entry(int channel) const {
    ConfSeatEntry e;
    e.status = status;
    e.channel = static_cast<std::uint16_t>(channel);
    if (status == kSeatFree) return e;
    e.number = number;
    e.endpoint = endpoint;
    e.media[0] = media.audioCapt;
    e.media[1] = media.videoCapt;
    e.media[2] = media.audioPlay;
    e.media[3] = media.videoPlay;
    return e;
}

int ConfRoom::SeatOf(std::uint32_t endpoint) const {
    if (endpoint == 0) return -1;
    for (int i = 0; i < kConfSeats; ++i) {
        if (!seats[i].Free() && seats[i].endpoint == endpoint) return i;
    }
    return -1;
}

int ConfRoom::FreeSeat() const {
    for (int i = 1; i < kConfSeats; ++i) {
        if (seats[i].Free()) return i;
    }
    return -1;
}

std::array<ConfSeatEntry, kConfSeats> ConfRoom::Status() const {
    std::array<ConfSeatEntry, kConfSeats> out;
    for (int i = 0; i < kConfSeats; ++i) out[i] = seats[i].Entry(i);
    return out;
}

ConfRoomTable::ConfRoomTable() : m_random(std::random_device{}()) {}

ConfRoom& ConfRoomTable::Create(std::uint32_t now) {
    std::uint32_t id = 0;
    while (id == 0 || m_rooms.count(id) != 0) id = m_random();
    ConfRoom& room = m_rooms[id];
    room.id = id;
    room.createdAt = now;
    room.lastTalk = now;
    room.mixer = std::make_unique<ConferenceMixer>(id);
    return room;
}

ConfRoom* ConfRoomTable::Find(std::uint32_t id) {
    auto it = m_rooms.find(id);
    return it == m_rooms.end() ? nullptr : &it->second;
}

ConfRoom* ConfRoomTable::FindByNumber(const std::string& number, int* seat) {
    for (auto& [id, room] : m_rooms) {
        if (room.ended) continue;
        for (int i = 0; i < kConfSeats; ++i) {
            if (!room.seats[i].Free() && room.seats[i].number == number) {
                if (seat != nullptr) *seat = i;
                return &room;
            }
        }
    }
    return nullptr;
}

ConfRoom* ConfRoomTable::FindByEndpoint(std::uint32_t endpoint, int* seat) {
    const auto it = m_roomOfEndpoint.find(endpoint);
    if (it == m_roomOfEndpoint.end()) return nullptr;
    ConfRoom* room = Find(it->second);
    const int i = room == nullptr || room->ended ? -1 : room->SeatOf(endpoint);
    if (i < 0) return nullptr;
    if (seat != nullptr) *seat = i;
    return room;
}

void ConfRoomTable::TakeSeat(ConfRoom& room, int seat, const std::string& number,
                             std::uint32_t endpoint, std::uint32_t now, const std::string& userAt,
                             std::uint16_t userAtPort) {
    if (seat < 0 || seat >= kConfSeats) return;
    Unindex(room, seat);
    ConfSeat& s = room.seats[seat];
    s.status = kSeatInvited;
    s.number = number;
    s.endpoint = endpoint;
    s.userAddress = userAt;
    s.userPort = userAtPort;
    s.since = now;
    if (endpoint != 0) m_roomOfEndpoint[endpoint] = room.id;
}

void ConfRoomTable::FreeSeat(ConfRoom& room, int seat, std::uint32_t now) {
    if (seat < 0 || seat >= kConfSeats) return;
    Unindex(room, seat);
    room.seats[seat] = ConfSeat{};
    room.seats[seat].since = now;
}

void ConfRoomTable::Unindex(const ConfRoom& room, int seat) {
    const ConfSeat& s = room.seats[seat];
    if (s.Free() || s.endpoint == 0) return;
    const auto it = m_roomOfEndpoint.find(s.endpoint);
    // Another room may have seated the endpoint since: that entry stays.
    if (it != m_roomOfEndpoint.end() && it->second == room.id) m_roomOfEndpoint.erase(it);
}

void ConfRoomTable::Remove(std::uint32_t id) {
    const auto it = m_rooms.find(id);
    if (it == m_rooms.end()) return;
    for (int seat = 0; seat < kConfSeats; ++seat)
        Unindex(it->second, seat);
    m_rooms.erase(it);
}

} // namespace orv
