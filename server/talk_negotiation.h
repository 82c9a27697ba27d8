// What the talk server answers in CallAccept: the codecs each side sends and receives, and
// where each side sends its media.
#pragma once

#include "server/talk_calls.h"

namespace orv {

// The first id of the sender's list that the receiver's list also holds and that lies in
// 1..maxId; 0 when there is none.
std::uint8_t FirstCommonCodec(const CodecList& senderCapt, const CodecList& receiverPlay, std::uint8_t maxId);

struct RendezvousAddresses {
    MediaAddress audio;
    MediaAddress video;
    bool relayAll = false; // every call's media go through the rendezvous
};

// The media parameters for one side of a call. For an echo call the server is the peer: the
// side sends what it can decode itself, to the rendezvous. Otherwise the side sends to what
// the rendezvous learned of the other side: the other's local address when both sit behind
// the same public address in the same subnet, else the address its datagrams came from; the
// rendezvous itself when nothing was learned yet (it then relays) or relayAll is set.
MediaParams NegotiateFor(const TalkCall& call, Side side, const RendezvousAddresses& rendezvous);

// False when both sides offered audio but share no codec in one of the directions.
bool AudioAgrees(const TalkCall& call);

} // namespace orv
