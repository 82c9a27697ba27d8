#include "wire/ipv4_text.h"

#include <arpa/inet.h>

namespace orv {

std::string DottedQuad(std::uint32_t hostOrderIp) {
    return std::to_string(hostOrderIp >> 24) + "." + std::to_string((hostOrderIp >> 16) & 0xFF) + "." +
           std::to_string((hostOrderIp >> 8) & 0xFF) + "." + std::to_string(hostOrderIp & 0xFF);
}

std::string DottedQuadOfNetworkOrder(std::uint32_t networkOrderIp) { return DottedQuad(ntohl(networkOrderIp)); }

bool IsDottedQuad(const std::string& text) {
    std::uint32_t ip = 0;
    return ParseDottedQuad(text, &ip);
}

bool ParseDottedQuad(const std::string& text, std::uint32_t* hostOrderIp) {
    in_addr a{};
    if (inet_pton(AF_INET, text.c_str(), &a) != 1) return false;
    *hostOrderIp = ntohl(a.s_addr);
    return true;
}

} // namespace orv
