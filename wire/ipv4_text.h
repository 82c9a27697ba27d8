// IPv4 addresses as dotted text. Two in-memory forms meet here: host order (a number, first
// octet most significant) and network order (first octet in the lowest-addressed byte, as
// the address sits in a packet or a sockaddr).
#pragma once

#include <cstdint>
#include <string>

namespace orv {

std::string DottedQuad(std::uint32_t hostOrderIp);
std::string DottedQuadOfNetworkOrder(std::uint32_t networkOrderIp);

// Strict dotted-quad text ("a.b.c.d", each 0-255); false for anything else, host names too.
bool IsDottedQuad(const std::string& text);
bool ParseDottedQuad(const std::string& text, std::uint32_t* hostOrderIp);

} // namespace orv
