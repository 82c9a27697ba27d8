#include "wire/talk_establish.h"

#include "wire/byte_order.h"
#include "wire/byte_reader.h"
#include "wire/text_field.h"

namespace orv {

bool ParseTalkEstablish(const std::uint8_t* body, std::size_t size, TalkEstablish* n) {
    ByteReader r(body, size);
    n->result = r.U8();
    n->callId = r.U32LE();
    n->reason = static_cast<std::int32_t>(n->callId);
    n->callingNumber = r.TextFull(32);
    n->calledNumber = r.TextFull(32);
    n->role = r.U8();
    n->noForward = r.U8();
    n->servId = r.U32LE();
    n->talkServIP = r.U32LE();
    n->talkServPort = r.U16LE();
    n->peerAudioIP = r.U32LE();
    n->peerAudioPort = r.U16LE();
    n->peerVideoIP = r.U32LE();
    n->peerVideoPort = r.U16LE();
    return r.Ok();
}

void BuildTalkEstablish(const TalkEstablish& n, std::uint8_t* b) {
    b[0] = n.result;
    PutU32LE(b + 1, n.result == 0 ? n.callId : static_cast<std::uint32_t>(n.reason));
    PutTextField(b + 5, 32, n.callingNumber.c_str());
    PutTextField(b + 37, 32, n.calledNumber.c_str());
    b[69] = n.role;
    b[70] = n.noForward;
    PutU32LE(b + 71, n.servId);
    PutU32LE(b + 75, n.talkServIP);
    PutU16LE(b + 79, n.talkServPort);
    PutU32LE(b + 81, n.peerAudioIP);
    PutU16LE(b + 85, n.peerAudioPort);
    PutU32LE(b + 87, n.peerVideoIP);
    PutU16LE(b + 91, n.peerVideoPort);
}

} // namespace orv
