// IPv4 address texts and the non-blocking sockets of the link libraries.
#pragma once

#include <cstdint>
#include <netinet/in.h>

namespace orv {

// Dotted quad ("a.b.c.d") to an address in network byte order (wire/ipv4_text.h's
// ParseDottedQuad gives host order).
bool NetworkOrderOfDottedQuad(const char* text, std::uint32_t* address);
// A local address to bind to: null or empty text means any address.
bool ParseBindAddress(const char* text, std::uint32_t* address);

sockaddr_in MakeSockAddr(std::uint32_t address, std::uint16_t port);

// A non-blocking socket bound to address (network order) and port (host order), or -1.
// Stream sockets may rebind a recently used port and send small messages without delay.
int OpenBoundSocket(bool stream, std::uint32_t address, std::uint16_t port);

// The error of a failed call: true when it only means "try again when ready".
bool WouldBlock(int error);

} // namespace orv
