#include "server/conference_rooms.h"

namespace orv {

void ConfSeat::Invite(const std::string& invited, std::uint32_t invitedEndpoint, std::uint32_t now,
                      const std::string& userAt, std::uint16_t userAtPort) {
    status = kSeatInvited;
    number = invited;
    endpoint = invitedEndpoint;
    userAddress = userAt;
    userPort = userAtPort;
    since = now;
}

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
    for (auto& [id, room] : m_rooms) {
        if (room.ended) continue;
        const int i = room.SeatOf(endpoint);
        if (i >= 0) {
            if (seat != nullptr) *seat = i;
            return &room;
        }
    }
    return nullptr;
}

void ConfRoomTable::Remove(std::uint32_t id) { m_rooms.erase(id); }

} // namespace orv
