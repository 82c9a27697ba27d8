#include "tools/orvload/load_calls.h"

#include "linkcommon/socket_address.h"
#include "server/talk_packets.h"
#include "server/user_packets.h"
#include "tcplink/stream_frame.h"
#include "tcplink/stream_reassembler.h"
#include "tcplink/tcplink.h"
#include "tools/orvload/load_stats.h"
#include "wire/byte_writer.h"
#include "wire/media_header.h"
#include "wire/talk_establish.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace orv {

namespace {

constexpr std::int64_t kRequestResendUs = 5000000;
constexpr std::int64_t kRefusedRetryUs = 1000000;
constexpr std::int64_t kAudioEveryUs = 20000; // 50 packets a second
constexpr std::size_t kAudioPayload = 20;
constexpr std::uint8_t kAudioPayloadType = 18;
constexpr std::size_t kMaxRoundTrips = 1000000;
constexpr std::uint64_t kTalkTag = 0;
constexpr std::uint64_t kMediaTag = 1;

} // namespace

struct EchoCalls::Call {
    enum class Phase { Idle, Requested, Joining, Talking } phase = Phase::Idle;
    std::size_t client = 0;
    std::uint32_t endpoint = 0;
    std::uint32_t callId = 0;
    std::uint32_t seq = 1;
    std::int64_t requestedAt = 0;
    std::int64_t talkingUntil = 0;
    std::int64_t nextAudio = 0;
    std::uint16_t audioSeq = 0;
    std::int64_t sentAt[256] = {};
    sockaddr_in rendezvous{};
    int talk = -1;
    int media = -1;
    StreamReassembler reassembler{kLongestTalkMessage};
};

EchoCalls::EchoCalls(const LoadOptions& options, SendUser sendUser, ClientQuery endpointOf)
    : m_options(options), m_sendUser(std::move(sendUser)), m_endpointOf(std::move(endpointOf)) {
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    for (std::uint32_t k = 0; k < options.echoCalls && k < options.clients; ++k) {
        m_calls.push_back(std::make_unique<Call>());
        m_calls.back()->client = k;
    }
}

EchoCalls::~EchoCalls() {
    for (auto& call : m_calls) End(*call);
    if (m_epoll >= 0) close(m_epoll);
}

std::int64_t EchoCalls::Poll(std::int64_t now) {
    std::int64_t next = now + kRequestResendUs;
    for (auto& owned : m_calls) {
        Call& call = *owned;
        if (call.phase == Call::Phase::Idle || (call.phase == Call::Phase::Requested &&
                                                 now - call.requestedAt >= kRequestResendUs)) {
            call.endpoint = m_endpointOf(call.client);
            if (call.endpoint == 0) continue;
            ByteWriter w = StartPacket(kPktTalkRequest, call.seq++);
            w.Text(std::to_string(m_options.firstNumber + call.client), kNumberField);
            w.Text(m_options.echoNumber, kNumberField);
            m_sendUser(call.client, FinishPacket(w));
            if (call.phase == Call::Phase::Idle) ++m_requested;
            call.phase = Call::Phase::Requested;
            call.requestedAt = now;
        }
        if (call.phase == Call::Phase::Joining && now - call.requestedAt >= kRequestResendUs) {
            ++m_broken; // no accept from the talk server
            End(call);
            continue;
        }
        if (call.phase == Call::Phase::Talking && now >= call.talkingUntil) {
            const auto bye = BuildCallReason(kPktCallDisconnect, call.seq++, call.callId, 0);
            const auto frame = BuildFrame(bye.data(), static_cast<std::uint32_t>(bye.size()), kTcpSendScramble);
            send(call.talk, frame.data(), frame.size(), MSG_NOSIGNAL);
            ++m_completed;
            End(call);
            continue;
        }
        while (call.phase == Call::Phase::Talking && call.nextAudio <= now) {
            MediaHeader h;
            h.payloadType = kAudioPayloadType;
            h.sequence = call.audioSeq;
            h.timestamp = static_cast<std::uint32_t>(call.audioSeq) * 160;
            h.ssrc = call.endpoint;
            std::uint8_t packet[kMediaHeaderBytes + kAudioPayload] = {};
            PackMediaHeader(h, packet);
            call.sentAt[call.audioSeq & 0xFF] = now;
            ++call.audioSeq;
            if (sendto(call.media, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&call.rendezvous),
                       sizeof call.rendezvous) == static_cast<ssize_t>(sizeof packet)) {
                ++m_mediaSent;
            }
            call.nextAudio += kAudioEveryUs;
        }
        if (call.phase == Call::Phase::Talking) next = std::min({next, call.nextAudio, call.talkingUntil});
        if (call.phase == Call::Phase::Requested || call.phase == Call::Phase::Joining) {
            next = std::min(next, call.requestedAt + kRequestResendUs);
        }
    }
    return next;
}

void EchoCalls::OnEstablish(std::size_t i, const Packet& p, std::int64_t now) {
    if (i >= m_calls.size() || m_calls[i]->phase != Call::Phase::Requested) return;
    Call& call = *m_calls[i];
    TalkEstablish notice;
    if (!ParseTalkEstablish(p.body, p.bodySize, &notice)) return;
    if (notice.result != 0) {
        // Busy, most likely: the end of the previous call is still on its way. Asked again
        // a second from now.
        ++m_refused;
        call.requestedAt = now - kRequestResendUs + kRefusedRetryUs;
        return;
    }
    call.callId = notice.callId;
    // The notice's addresses have their first octet in the lowest byte: network order.
    call.rendezvous = MakeSockAddr(notice.peerAudioIP, notice.peerAudioPort);
    const sockaddr_in talk = MakeSockAddr(notice.talkServIP, notice.talkServPort);
    call.talk = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    call.media = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const sockaddr_in any = MakeSockAddr(htonl(INADDR_LOOPBACK), 0);
    // A blocking connect on the loopback network is immediate; the link reads without
    // blocking from then on.
    if (call.talk < 0 || call.media < 0 ||
        connect(call.talk, reinterpret_cast<const sockaddr*>(&talk), sizeof talk) != 0 ||
        bind(call.media, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        ++m_broken;
        End(call);
        return;
    }
    Join(call, now);
}

void EchoCalls::Join(Call& call, std::int64_t now) {
    sockaddr_in local{};
    socklen_t size = sizeof local;
    getsockname(call.media, reinterpret_cast<sockaddr*>(&local), &size);
    UdpChannelOpen open;
    open.callId = call.callId;
    open.channel = kChannelAudio;
    open.subnet = 0x7F000000;
    open.endpoint = call.endpoint;
    open.local = {ntohl(local.sin_addr.s_addr), ntohs(local.sin_port)};
    const auto announce = BuildOpenUdpChannel(call.seq++, open);
    sendto(call.media, announce.data(), announce.size(), 0, reinterpret_cast<const sockaddr*>(&call.rendezvous),
           sizeof call.rendezvous);
    CallSetup setup;
    setup.callId = call.callId;
    setup.endpoint = call.endpoint;
    setup.audioCapt.ids[setup.audioCapt.count++] = 4;
    setup.audioPlay.ids[setup.audioPlay.count++] = 4;
    const auto message = BuildCallSetup(call.seq++, setup);
    const auto frame = BuildFrame(message.data(), static_cast<std::uint32_t>(message.size()), kTcpSendScramble);
    if (send(call.talk, frame.data(), frame.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(frame.size())) {
        ++m_broken;
        End(call);
        return;
    }
    epoll_event talkEvent{};
    talkEvent.events = EPOLLIN;
    talkEvent.data.u64 = (call.client << 1) | kTalkTag;
    epoll_event mediaEvent{};
    mediaEvent.events = EPOLLIN;
    mediaEvent.data.u64 = (call.client << 1) | kMediaTag;
    epoll_ctl(m_epoll, EPOLL_CTL_ADD, call.talk, &talkEvent);
    epoll_ctl(m_epoll, EPOLL_CTL_ADD, call.media, &mediaEvent);
    call.phase = Call::Phase::Joining;
    call.requestedAt = now;
}

void EchoCalls::OnReadable(std::int64_t now) {
    epoll_event events[64];
    const int ready = epoll_wait(m_epoll, events, 64, 0);
    for (int e = 0; e < ready; ++e) {
        const std::size_t k = static_cast<std::size_t>(events[e].data.u64 >> 1);
        if (k >= m_calls.size()) continue;
        if ((events[e].data.u64 & 1) == kTalkTag) ReadTalk(*m_calls[k], now);
        else ReadMedia(*m_calls[k], now);
    }
}

void EchoCalls::ReadTalk(Call& call, std::int64_t now) {
    if (call.talk < 0) return;
    std::uint8_t buffer[4096];
    const ssize_t n = recv(call.talk, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
        ++m_broken; // the talk server ended the link
        End(call);
        return;
    }
    for (std::size_t at = 0; n > 0 && at < static_cast<std::size_t>(n);) {
        const auto step = call.reassembler.Feed(buffer + at, static_cast<std::size_t>(n) - at);
        at += step.consumed;
        if (!step.complete) continue;
        const auto message = call.reassembler.TakeMessage();
        if (message.size() < 2) continue;
        const std::uint16_t type = static_cast<std::uint16_t>(message[0] | (message[1] << 8));
        if (type == kPktCallAccept && call.phase == Call::Phase::Joining) {
            ++m_accepted;
            call.phase = Call::Phase::Talking;
            call.nextAudio = now;
            call.talkingUntil = now + static_cast<std::int64_t>(m_options.callSeconds) * 1000000;
        } else if (type == kPktCallDisconnect) {
            ++m_broken;
            End(call);
            return;
        }
    }
}

void EchoCalls::ReadMedia(Call& call, std::int64_t now) {
    std::uint8_t packet[2048];
    for (int n = 0; n < 16 && call.media >= 0; ++n) {
        const ssize_t size = recv(call.media, packet, sizeof packet, MSG_DONTWAIT);
        if (size < 0) return;
        MediaHeader h;
        if (!UnpackMediaHeader(packet, static_cast<std::size_t>(size), h) || h.ssrc != call.callId) continue;
        ++m_mediaEchoed;
        const std::int64_t sent = call.sentAt[h.sequence & 0xFF];
        if (sent != 0 && m_roundTripMs.size() < kMaxRoundTrips) {
            m_roundTripMs.push_back(static_cast<double>(now - sent) / 1000.0);
        }
    }
}

void EchoCalls::End(Call& call) {
    if (call.talk >= 0) close(call.talk);
    if (call.media >= 0) close(call.media);
    call.talk = call.media = -1;
    call.reassembler.Reset();
    call.phase = Call::Phase::Idle;
    std::fill(std::begin(call.sentAt), std::end(call.sentAt), 0);
}

void EchoCalls::PrintResult() const {
    if (m_calls.empty()) return;
    std::printf("RESULT calls requested=%llu refused=%llu accepted=%llu completed=%llu broken=%llu audio_sent=%llu "
                "audio_echoed=%llu round_trip_ms p50=%.2f p99=%.2f max=%.2f\n",
                static_cast<unsigned long long>(m_requested), static_cast<unsigned long long>(m_refused),
                static_cast<unsigned long long>(m_accepted), static_cast<unsigned long long>(m_completed),
                static_cast<unsigned long long>(m_broken), static_cast<unsigned long long>(m_mediaSent),
                static_cast<unsigned long long>(m_mediaEchoed), Percentile(m_roundTripMs, 50),
                Percentile(m_roundTripMs, 99), Percentile(m_roundTripMs, 100));
}

} // namespace orv
