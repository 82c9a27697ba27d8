#include "server/conference_media.h"

#include "wire/ipv4_text.h"
#include "wire/media_header.h"

namespace orv {

ConferenceMedia::ConferenceMedia(ConfRoomTable& rooms, SendFunction send) : m_rooms(rooms), m_send(std::move(send)) {}

void ConferenceMedia::OnDatagram(Medium medium, const std::uint8_t* data, std::size_t size, const MediaAddress& from,
                                 std::uint32_t now) {
    MediaHeader h;
    if (data == nullptr || !UnpackMediaHeader(data, size, h)) {
        m_dropLog.Write(now, "%zu-byte %s datagram from %s:%u: too short", size, MediumName(medium),
                        DottedQuad(from.ip).c_str(), from.port);
        return;
    }
    int seat = -1;
    ConfRoom* room = m_rooms.FindByEndpoint(h.ssrc, &seat);
    if (room == nullptr) {
        m_dropLog.Write(now, "%s datagram from %s:%u: source %u has no seat", MediumName(medium),
                        DottedQuad(from.ip).c_str(), from.port, h.ssrc);
        return;
    }
    ConfSeat& s = room->seats[seat];
    MediaAddress& known = s.from[static_cast<int>(medium)];
    const bool probe = IsProbe(data, size);
    if (known.port == 0) {
        known = from; // the member's first probe or media shows where its medium comes from
        ServerLog("conference: room %u seat %d %s %s from %s:%u", room->id, seat, s.number.c_str(), MediumName(medium),
                  DottedQuad(from.ip).c_str(), from.port);
    }
    if (probe) return;
    std::size_t payload = 0;
    if (!(known == from) || (data[0] & 0xC0) != kMediaVersionByte || !FindMediaPayload(data, size, payload)) {
        m_dropLog.Write(now, "%s datagram of room %u seat %d from %s:%u: not its media",
                        MediumName(medium), room->id, seat, DottedQuad(from.ip).c_str(), from.port);
        return;
    }
    if (s.status != kSeatConnected) return;
    if (medium == Medium::Audio) {
        if (room->mixer->Feed(seat, data + payload, size - payload) > 0) ++m_counters.mixedIn;
        return;
    }
    std::vector<std::uint8_t> datagram; // copied once, for the first member that receives it
    for (int i = 0; i < kConfSeats; ++i) {
        const ConfSeat& to = room->seats[i];
        if (!s.videoTo[i] || to.status != kSeatConnected || to.from[1].port == 0) continue;
        if (datagram.empty()) datagram.assign(data, data + size);
        m_send(Medium::Video, datagram, to.from[1]);
        ++m_counters.videoForwarded;
    }
}

void ConferenceMedia::MixAll() {
    m_rooms.ForEach([&](ConfRoom& room) {
        if (room.ended) return;
        room.mixer->Mix(&m_out);
        for (int i = 0; i < kConfSeats; ++i) {
            const MediaAddress& to = room.seats[i].from[0];
            if (m_out[i].empty() || to.port == 0) continue;
            m_send(Medium::Audio, m_out[i], to);
            ++m_counters.mixedOut;
        }
    });
}

} // namespace orv
