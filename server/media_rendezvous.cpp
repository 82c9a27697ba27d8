#include "server/media_rendezvous.h"

#include "platform/tick.h"
#include "server/server_log.h"
#include "wire/byte_order.h"
#include "wire/ipv4_text.h"
#include "wire/media_header.h"

#include <cstdio>

namespace orv {

namespace {

std::uint8_t ChannelOf(Medium m) { return m == Medium::Audio ? kChannelAudio : kChannelVideo; }

// The sender's SSRC, bytes 8-11 of a media header or a probe (the caller checked the length).
std::uint32_t ReadSsrc(const std::uint8_t* data) { return GetU32BE(data + 8); }

} // namespace

MediaRendezvous::MediaRendezvous(TalkCallTable& calls, SendFunction send) : m_calls(calls), m_send(std::move(send)) {}

void MediaRendezvous::OnDatagram(Medium medium, const std::uint8_t* data, std::size_t size, const MediaAddress& from,
                                 std::uint32_t now) {
    UdpChannelOpen open;
    if (data == nullptr || size == 0) {
        m_dropLog.Write(now, "empty %s datagram from %s:%u", MediumName(medium),
                        DottedQuad(from.ip).c_str(), from.port);
    } else if (ParseOpenUdpChannel(data, size, &open)) {
        OnChannelOpen(medium, open, from, now);
    } else if (IsProbe(data, size)) {
        OnProbe(medium, ReadSsrc(data), from, now);
    } else {
        OnMedia(medium, data, size, from, now);
    }
}

void MediaRendezvous::OnChannelOpen(Medium medium, const UdpChannelOpen& open, const MediaAddress& from,
                                    std::uint32_t now) {
    TalkCall* call = m_calls.Find(open.callId);
    if (call == nullptr || !call->Active()) {
        m_dropLog.Write(now, "OpenUDPChannel from %s:%u: unknown call %u",
                        DottedQuad(from.ip).c_str(), from.port, open.callId);
        return;
    }
    if (open.channel != ChannelOf(medium)) {
        m_dropLog.Write(now, "OpenUDPChannel of call %u: channel %u on the %s port", open.callId,
                        open.channel, MediumName(medium));
        return;
    }
    for (Side side : {Side::Caller, Side::Called}) {
        CallParty& party = call->Party(side);
        if (party.endpoint != 0 && party.endpoint == open.endpoint) {
            MediaPath& path = party.Path(medium);
            path.local = open.local;
            path.subnet = open.subnet;
            Learn(*call, side, medium, from);
            return;
        }
    }
    m_dropLog.Write(now, "OpenUDPChannel of call %u: endpoint %u takes no part in it", open.callId,
                    open.endpoint);
}

void MediaRendezvous::OnProbe(Medium medium, std::uint32_t ssrc, const MediaAddress& from, std::uint32_t now) {
    Side side = Side::Caller;
    TalkCall* call = m_calls.FindActiveByEndpoint(ssrc, &side);
    if (call == nullptr) {
        m_dropLog.Write(now, "%s probe from %s:%u: endpoint %u is in no call", MediumName(medium),
                        DottedQuad(from.ip).c_str(), from.port, ssrc);
        return;
    }
    // A probe only fills a gap: once a party's address is known, only its OpenUDPChannel
    // (which names the call) may move it.
    if (!call->Party(side).Path(medium).learned) Learn(*call, side, medium, from);
}

void MediaRendezvous::Learn(TalkCall& call, Side side, Medium medium, const MediaAddress& from) {
    MediaPath& path = call.Party(side).Path(medium);
    if (path.learned && path.seen == from) return;
    if (path.learned) m_routes.erase(Key(medium, path.seen));
    path.learned = true;
    path.seen = from;
    m_routes[Key(medium, from)] = Route{call.id, side};
    ++m_counters.learned;
    ServerLog("media: call %u %s %s at %s:%u (local %s:%u)", call.id, side == Side::Caller ? "caller" : "called",
              MediumName(medium), DottedQuad(from.ip).c_str(), from.port, DottedQuad(path.local.ip).c_str(),
              path.local.port);
}

void MediaRendezvous::OnMedia(Medium medium, const std::uint8_t* data, std::size_t size, const MediaAddress& from,
                              std::uint32_t now) {
    std::size_t payload = 0;
    if ((data[0] & 0xC0) != kMediaVersionByte || !FindMediaPayload(data, size, payload)) {
        m_dropLog.Write(now, "%zu-byte %s datagram from %s:%u: not a media packet", size,
                        MediumName(medium), DottedQuad(from.ip).c_str(), from.port);
        return;
    }
    auto route = m_routes.find(Key(medium, from));
    TalkCall* call = route == m_routes.end() ? nullptr : m_calls.Find(route->second.callId);
    if (call == nullptr || !call->Active()) {
        if (route != m_routes.end()) m_routes.erase(route);
        m_dropLog.Write(now, "%s packet from %s:%u: no call", MediumName(medium),
                        DottedQuad(from.ip).c_str(), from.port);
        return;
    }
    const Side side = route->second.side;
    const std::uint32_t ssrc = ReadSsrc(data);
    if (ssrc != call->Party(side).endpoint) {
        m_dropLog.Write(now, "%s packet of call %u: SSRC %u is not the sender's endpoint",
                        MediumName(medium), call->id, ssrc);
        return;
    }
    if (call->echo) {
        std::vector<std::uint8_t> echo;
        EchoService::Echo(data, size, call->id, &echo);
        m_send(medium, echo, from);
        ++m_counters.echoed;
        return;
    }
    const MediaPath& peer = call->Party(Other(side)).Path(medium);
    if (!peer.learned) {
        m_dropLog.Write(now, "%s packet of call %u: the peer's address is not known yet",
                        MediumName(medium), call->id);
        return;
    }
    m_send(medium, std::vector<std::uint8_t>(data, data + size), peer.seen);
    ++m_counters.forwarded;
}

void MediaRendezvous::Sweep() {
    for (auto it = m_routes.begin(); it != m_routes.end();) {
        const TalkCall* call = m_calls.Find(it->second.callId);
        it = (call == nullptr || !call->Active()) ? m_routes.erase(it) : std::next(it);
    }
}

} // namespace orv
