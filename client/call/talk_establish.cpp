#include "client/call/talk_establish.h"

#include "client/net/packet.h"

namespace orv {

bool ParseTalkEstablish(const std::uint8_t* body, std::size_t size, TalkEstablish* n) {
    BodyReader r(body, size);
    n->result = r.U8();
    n->callId = r.U32();
    n->reason = static_cast<std::int32_t>(n->callId);
    n->callingNumber = r.Text(32);
    r.Bytes(32);
    n->role = r.U8();
    n->noForward = r.U8();
    n->servId = r.U32();
    n->talkServIP = r.U32();
    n->talkServPort = r.U16();
    n->peerAudioIP = r.U32();
    n->peerAudioPort = r.U16();
    n->peerVideoIP = r.U32();
    n->peerVideoPort = r.U16();
    return r.ok();
}

void BuildTalkEstablish(const TalkEstablish& n, std::uint8_t* b) {
    b[0] = n.result;
    PutU32(b + 1, n.result == 0 ? n.callId : static_cast<std::uint32_t>(n.reason));
    PutTextField(b + 5, 32, n.callingNumber.c_str());
    PutTextField(b + 37, 32, "");
    b[69] = n.role;
    b[70] = n.noForward;
    PutU32(b + 71, n.servId);
    PutU32(b + 75, n.talkServIP);
    PutU16(b + 79, n.talkServPort);
    PutU32(b + 81, n.peerAudioIP);
    PutU16(b + 85, n.peerAudioPort);
    PutU32(b + 87, n.peerVideoIP);
    PutU16(b + 91, n.peerVideoPort);
}

} // namespace orv
