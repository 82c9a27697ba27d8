#include "udplink/datagram_codec.h"

#include "linkcommon/word_scramble.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace orv {

std::vector<std::uint8_t> EncodeDatagram(std::uint32_t linkFlags, std::uint32_t sendFlags,
                                         const std::uint8_t* payload, std::size_t size) {
    const bool prefixed = linkFlags != 0;
    const bool scramble = (linkFlags & kUdpFlagScramble) != 0 && (sendFlags & kUdpFlagScramble) != 0;
    std::vector<std::uint8_t> wire(size + (prefixed ? 1 : 0));
    std::uint8_t* body = wire.data() + (prefixed ? 1 : 0);
    if (size > 0) std::copy(payload, payload + size, body);
    if (scramble) ScrambleWords(body, size, kDatagramScrambleKey);
    if (prefixed) wire[0] = scramble ? kPrefixScrambled : kPrefixPlain;
    return wire;
}

bool DecodeDatagram(std::uint32_t linkFlags, std::uint8_t* datagram, std::size_t size,
                    DatagramPayload* payload) {
    if (linkFlags == 0) {
        *payload = {datagram, size};
        return true;
    }
    if (size == 0) return false;
    const std::uint8_t prefix = datagram[0];
    *payload = {datagram + 1, size - 1};
    if ((prefix & kPrefixScrambled) != 0) UnscrambleWords(payload->data, payload->size, kDatagramScrambleKey);
    return true;
}

bool MakeDatagramNotification(LinkHandle link, std::uint32_t linkFlags, std::uint8_t* datagram, std::size_t size,
                              std::uint32_t senderAddress, std::uint16_t senderPort, UdpNotifyBlock* block) {
    DatagramPayload payload;
    if (!DecodeDatagram(linkFlags, datagram, size, &payload)) return false;
    block->event = {kLinkEventData, link};
    FormatDottedQuad(senderAddress, block->info.address);
    block->info.port = senderPort;
    block->info.data = payload.data;
    block->info.length = static_cast<std::uint32_t>(payload.size);
    return true;
}

void FormatDottedQuad(std::uint32_t address, char (&text)[16]) {
    const auto* octet = reinterpret_cast<const std::uint8_t*>(&address);
    char formatted[16];
    std::snprintf(formatted, sizeof formatted, "%u.%u.%u.%u", octet[0], octet[1], octet[2], octet[3]);
    std::memset(text, 0, sizeof text);
    std::memcpy(text, formatted, std::strlen(formatted));
}

} // namespace orv
