// The datagram's wire form. With link flags 0 a datagram is exactly the payload; with any
// other link flags it starts with one prefix byte: 2 = the payload is scrambled, 0 = plain.
#pragma once

#include "udplink/udplink.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

constexpr std::uint8_t kPrefixPlain = 0;
constexpr std::uint8_t kPrefixScrambled = 2;

// Wire bytes for one payload (size <= kUdpMaxSend, checked by the caller).
std::vector<std::uint8_t> EncodeDatagram(std::uint32_t linkFlags, std::uint32_t sendFlags,
                                         const std::uint8_t* payload, std::size_t size);

struct DatagramPayload {
    std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// Receive side, in place: removes the prefix and unscrambles when the prefix says so.
// False for a datagram that cannot carry a payload (empty datagram on a prefixed link).
bool DecodeDatagram(std::uint32_t linkFlags, std::uint8_t* datagram, std::size_t size,
                    DatagramPayload* payload);

// The whole receive path of one datagram: decodes it in place and fills the notification
// block of event 1 for link (sender address in network byte order, port in host order).
// False when the datagram carries no payload.
bool MakeDatagramNotification(LinkHandle link, std::uint32_t linkFlags, std::uint8_t* datagram, std::size_t size,
                              std::uint32_t senderAddress, std::uint16_t senderPort, UdpNotifyBlock* block);

// Dotted-quad text of an address in network byte order, NUL-padded to 16 bytes.
void FormatDottedQuad(std::uint32_t address, char (&text)[16]);

} // namespace orv
