#include "server/talk_negotiation.h"

#include <algorithm>

namespace orv {

namespace {

constexpr std::uint8_t kMaxAudioCodec = 4;
constexpr std::uint8_t kMaxVideoCodec = 3;

MediaAddress PeerAddress(const TalkCall& call, Side side, Medium medium, const RendezvousAddresses& rendezvous) {
    const MediaAddress relay = medium == Medium::Audio ? rendezvous.audio : rendezvous.video;
    if (call.echo || rendezvous.relayAll) return relay;
    const MediaPath& own = call.Party(side).Path(medium);
    const MediaPath& peer = call.Party(Other(side)).Path(medium);
    if (!peer.learned) return relay;
    const bool sameSite = own.learned && own.seen.ip == peer.seen.ip && own.subnet == peer.subnet &&
                          peer.local.ip != 0 && peer.local.port != 0;
    return sameSite ? peer.local : peer.seen;
}

bool Offers(const CodecList& list) { return list.count != 0; }

} // namespace

std::uint8_t FirstCommonCodec(const CodecList& senderCapt, const CodecList& receiverPlay, std::uint8_t maxId) {
    const std::size_t n = std::min<std::size_t>(senderCapt.count, senderCapt.ids.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t id = senderCapt.ids[i];
        if (id >= 1 && id <= maxId && receiverPlay.Contains(id)) return id;
    }
    return 0;
}

MediaParams NegotiateFor(const TalkCall& call, Side side, const RendezvousAddresses& rendezvous) {
    const CallSetup& own = call.Party(side).setup;
    // On an echo call the side hears its own stream back.
    const CallSetup& peer = call.echo ? own : call.Party(Other(side)).setup;
    MediaParams p;
    p.audioCapt = FirstCommonCodec(own.audioCapt, peer.audioPlay, kMaxAudioCodec);
    p.audioPlay = FirstCommonCodec(peer.audioCapt, own.audioPlay, kMaxAudioCodec);
    p.videoCapt = FirstCommonCodec(own.videoCapt, peer.videoPlay, kMaxVideoCodec);
    p.videoPlay = FirstCommonCodec(peer.videoCapt, own.videoPlay, kMaxVideoCodec);
    // The video values describe what this side captures and sends: its own settings.
    p.frameRate = own.frameRate;
    p.flowRate = own.flowRate;
    p.videoFormat = own.videoFormat;
    p.peerAudio = PeerAddress(call, side, Medium::Audio, rendezvous);
    p.peerVideo = PeerAddress(call, side, Medium::Video, rendezvous);
    return p;
}

bool AudioAgrees(const TalkCall& call) {
    const CallSetup& a = call.Party(Side::Caller).setup;
    const CallSetup& b = call.echo ? a : call.Party(Side::Called).setup;
    if (Offers(a.audioCapt) && Offers(b.audioPlay) && FirstCommonCodec(a.audioCapt, b.audioPlay, kMaxAudioCodec) == 0) {
        return false;
    }
    if (Offers(b.audioCapt) && Offers(a.audioPlay) && FirstCommonCodec(b.audioCapt, a.audioPlay, kMaxAudioCodec) == 0) {
        return false;
    }
    return true;
}

} // namespace orv
