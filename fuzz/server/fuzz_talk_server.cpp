// Arbitrary talk-server messages into the talk server in every call state, and arbitrary
// datagrams into the media rendezvous. The input is a script of steps: an op byte, a length
// byte and that many bytes. Ops: raw message on one of three links; a valid CallSetup of the
// caller or the called party; a well-formed signal (alert, connect, disconnect, hold, pause,
// digits, keep-alive) of the current call with fuzzed values; time passing; a link going and
// coming back; the call handed to a third party; a new call (sometimes to the echo service);
// a raw datagram, announcement or probe at the rendezvous.
#include "fuzz/common/fuzz_server_parts.h"
#include "fuzz/common/step_script.h"
#include "server/media_rendezvous.h"
#include "server/talk_server.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace orv;

constexpr LinkHandle kLinks[3] = {1, 2, 3};
constexpr std::uint32_t kEndpoints[3] = {11, 22, 33};
const MediaAddress kAddresses[3] = {{0x7F000001, 40000}, {0x7F000001, 40002}, {0x7F000001, 40004}};

TalkCall& NewCall(TalkCallTable& calls, bool echo, std::uint32_t now) {
    TalkCall& call = calls.Create(now);
    call.echo = echo;
    call.Party(Side::Caller).number = "8001";
    call.Party(Side::Caller).endpoint = kEndpoints[0];
    call.Party(Side::Called).number = echo ? "9999" : "8002";
    call.Party(Side::Called).endpoint = echo ? 0 : kEndpoints[1];
    return call;
}

// Audio codec lists only: the talk server passes video through.
std::vector<std::uint8_t> Setup(std::uint32_t callId, std::uint32_t endpoint, const std::uint8_t* chunk,
                                std::size_t len) {
    return FuzzCallSetup(callId, endpoint, chunk, len, 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QuietServerLogOnce();
    TalkCallTable calls;
    EchoService echo("9999");
    TalkServerConfig config;
    config.rendezvous = {{0x7F000001, 5000}, {0x7F000001, 5001}, false};
    std::size_t accepts = 0;
    TalkServer server(
        calls, nullptr, echo, config,
        [&](LinkHandle link, const std::vector<std::uint8_t>& p) {
            if (CheckSent(link, 3, p) == kPktCallAccept) {
                if (p.size() != kCallAcceptSize) std::abort();
                ++accepts;
            }
            return true;
        },
        [](LinkHandle link) { CheckLink(link, 3); },
        [](const std::string&) {});
    MediaRendezvous media(calls, [](Medium, const std::vector<std::uint8_t>& d, const MediaAddress&) {
        if (d.size() < 12) std::abort();
    });

    std::uint32_t now = 1;
    for (LinkHandle link : kLinks) server.OnAccepted(link, now);
    std::uint32_t callId = NewCall(calls, false, now).id;

    StepScript script(data, size);
    while (const std::optional<FuzzStep> step = script.Next()) {
        const auto [op, len, chunk] = *step;
        const int who = (op >> 4) % 3;
        TalkCall* call = calls.Find(callId);
        switch (op % 10) {
        case 0: server.OnMessage(kLinks[who], chunk, len, now); break;
        case 1: {
            const auto setup = Setup(callId, kEndpoints[who], chunk, len);
            server.OnMessage(kLinks[who], setup.data(), setup.size(), now);
            break;
        }
        case 2: {
            static constexpr std::uint16_t kTypes[] = {kPktCallAlert, kPktCallConnect, kPktCallDisconnect,
                                                       kPktCallHold, kPktCallPauseVideo, kPktCallDTMF,
                                                       kPktTalkKeepAlive};
            const std::uint16_t type = kTypes[(op >> 6) + (len > 0 ? chunk[0] % 4 : 0)];
            std::uint32_t value = 0;
            for (std::size_t i = 1; i < len && i < 5; ++i) value = (value << 8) | chunk[i];
            std::vector<std::uint8_t> p;
            if (type == kPktCallDisconnect || type == kPktCallHold) {
                p = BuildCallReason(type, 1, callId, value);
            } else if (type == kPktCallDTMF) {
                p = BuildCallDtmf(1, callId, std::string(reinterpret_cast<const char*>(chunk), len));
            } else if (type == kPktTalkKeepAlive) {
                p = BuildTalkKeepAlive(value, callId);
            } else {
                p = BuildCallByte(type, 1, callId, static_cast<std::uint8_t>(value));
            }
            server.OnMessage(kLinks[who], p.data(), p.size(), now);
            break;
        }
        case 3:
            now += (len + 1) * 500u;
            server.OnTimer(now);
            media.Sweep();
            break;
        case 4:
            server.OnLinkGone(kLinks[who], now);
            server.OnAccepted(kLinks[who], now);
            break;
        case 5:
            if (call != nullptr && call->Active() && !call->echo) {
                CallParty third;
                third.number = "8003";
                third.endpoint = kEndpoints[2];
                server.Redirect(*call, third, now);
            }
            break;
        case 6:
            if (call == nullptr || !call->Active()) callId = NewCall(calls, (op & 0x80) != 0, now).id;
            break;
        case 7: media.OnDatagram((op & 0x80) ? Medium::Video : Medium::Audio, chunk, len, kAddresses[who], now); break;
        case 8: {
            UdpChannelOpen open;
            open.callId = callId;
            open.channel = (op & 0x80) ? kChannelVideo : kChannelAudio;
            open.endpoint = kEndpoints[who];
            open.local = kAddresses[who];
            const auto p = BuildOpenUdpChannel(1, open);
            media.OnDatagram((op & 0x40) ? Medium::Video : Medium::Audio, p.data(), p.size(), kAddresses[who], now);
            break;
        }
        case 9: server.OnOversizeFrame(kLinks[who], static_cast<std::uint32_t>(len) << 16); break;
        }
    }

    // Whatever happened, a new call whose parties set up is accepted on both sides.
    ReconnectAll(server, kLinks, now);
    const std::uint32_t fresh = NewCall(calls, false, now).id;
    const std::uint8_t codecs[] = {4, 4};
    for (int who = 0; who < 2; ++who) {
        const auto setup = Setup(fresh, kEndpoints[who], codecs, sizeof codecs);
        server.OnMessage(kLinks[who], setup.data(), setup.size(), now);
    }
    accepts = 0;
    const auto again = Setup(fresh, kEndpoints[0], codecs, sizeof codecs);
    server.OnMessage(kLinks[0], again.data(), again.size(), now);
    if (accepts != 1) std::abort();
    return 0;
}
