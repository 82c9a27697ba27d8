// The conference rooms the server carries: four seats each, seat 0 for the chairman who
// asked for the room. A seat holds the member's registration, its conference-server link and
// CallSetup, the codecs it was given, where its media come from, and whose video it asked
// for. Seats are taken and freed through the table, which keeps an index of the seated
// endpoints for the media path (every datagram names its sender's endpoint). The user
// server's conference requests, the conference server and its media share the table on the
// server's one thread, so it has no lock.
#pragma once

#include "linkcommon/link_event.h"
#include "server/conference_mixer.h"
#include "server/talk_packets.h"
#include "wire/conf_messages.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>

namespace orv {

struct ConfSeat {
    std::uint8_t status = kSeatFree;
    std::string number;
    std::uint32_t endpoint = 0;
    std::string userAddress; // its user-server link, for the establish notice
    std::uint16_t userPort = 0;
    LinkHandle link = 0;     // its conference-server link once its CallSetup arrived
    bool hasSetup = false;
    CallSetup setup;
    std::uint32_t setupSeq = 0;
    MediaParams media;       // what it was given in CallAccept
    MediaAddress from[2];    // where its audio (0) and video (1) come from; port 0 = not learned
    std::array<bool, kConfSeats> videoTo{}; // the seats that asked for this seat's video
    std::uint32_t since = 0; // tick of its latest status change
    bool answered = false;   // it took part in the talk

    bool Free() const { return status == kSeatFree; }
    ConfSeatEntry Entry(int channel) const;
};

struct ConfRoom {
    std::uint32_t id = 0;
    std::string confId;      // the identifier members see as the originator
    std::array<ConfSeat, kConfSeats> seats;
    std::uint8_t videoCodec = 0; // the one video codec of the room, from the first sender
    bool ended = false;
    std::uint32_t endedAt = 0;
    std::uint32_t createdAt = 0;
    std::uint32_t lastTalk = 0; // tick since when somebody besides the chairman takes part
    std::string digits;      // DTMF the members sent, as "channel:digits" items
    std::string members;     // the numbers that took part (connected), comma-separated
    std::unique_ptr<ConferenceMixer> mixer;

    ConfSeat& Chairman() { return seats[0]; }
    // The seat of a member by endpoint, or -1.
    int SeatOf(std::uint32_t endpoint) const;
    int FreeSeat() const;
    std::array<ConfSeatEntry, kConfSeats> Status() const;
};

class ConfRoomTable {
public:
    ConfRoomTable();
    ConfRoom& Create(std::uint32_t now);
    ConfRoom* Find(std::uint32_t id);
    // The live room a number (or an endpoint) holds a seat in, with the seat.
    ConfRoom* FindByNumber(const std::string& number, int* seat = nullptr);
    ConfRoom* FindByEndpoint(std::uint32_t endpoint, int* seat = nullptr);
    // The seat goes to an invitation of this number (the chairman's seat to its request);
    // userAt and userAtPort: its user-server link, where the establish notice goes.
    void TakeSeat(ConfRoom& room, int seat, const std::string& number, std::uint32_t endpoint,
                  std::uint32_t now, const std::string& userAt = {}, std::uint16_t userAtPort = 0);
    // The seat is free again since now.
    void FreeSeat(ConfRoom& room, int seat, std::uint32_t now);
    void Remove(std::uint32_t id);
    std::size_t Size() const { return m_rooms.size(); }

    template <typename F> void ForEach(F&& f) {
        for (auto& [id, room] : m_rooms) f(room);
    }

private:
  void Unindex(const ConfRoom& room, int seat);

  std::map<std::uint32_t, ConfRoom> m_rooms;
  std::unordered_map<std::uint32_t, std::uint32_t> m_roomOfEndpoint; // seated endpoint -> room id
  std::mt19937 m_random;
};

} // namespace orv
