#include "server/account_packets.h"

#include "server/user_packets.h"
#include "wire/byte_reader.h"

namespace orv {

bool ParseAccountRequest(const std::uint8_t* message, std::size_t size, AccountRequest* request) {
    PacketHeader h;
    if (!ReadPacketHeader(message, size, &h) || h.length != size) return false;
    if (!(h.type == kPktAccountQuery && size == kAccountQueryLength) &&
        !(h.type == kPktAccountFill && size == kAccountFillLength)) {
        return false;
    }
    ByteReader r(message + kPacketHeaderSize, size - kPacketHeaderSize);
    request->type = h.type;
    request->seq = h.seqNum;
    request->number = r.Text(kNumberField);
    request->digest = r.Text(kPasswordField);
    request->card.clear();
    request->cardPassword.clear();
    if (h.type == kPktAccountFill) {
        request->card = r.Text(kAccountCardField);
        request->cardPassword = r.Text(kAccountCardField);
    }
    return r.Ok();
}

} // namespace orv
