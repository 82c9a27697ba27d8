// The account server's messages on its stream links: the balance query (80 bytes) and the
// refill (144 bytes), each answered with 13 bytes (result, then the balance in hundredths on
// success or the reason on failure).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// The client's link keep-alive: a bare header, answered with its sequence number.
constexpr std::uint16_t kPktStreamKeepAlive = 0x0000;
constexpr std::uint16_t kPktAccountFill = 0x0502;
constexpr std::uint16_t kPktAccountQuery = 0x0503;
constexpr std::size_t kAccountQueryLength = 80;
constexpr std::size_t kAccountFillLength = 144;
constexpr std::size_t kAccountCardField = 32;
// The longest message an account link carries; a frame announcing more is hostile.
constexpr std::size_t kLongestAccountMessage = kAccountFillLength;

struct AccountRequest {
    std::uint16_t type = 0;
    std::uint32_t seq = 0;
    std::string number;
    std::string digest; // the password field as the logon sends it
    std::string card;       // refill only
    std::string cardPassword;
};

// A whole message, header included; false unless its type and exact length match.
bool ParseAccountRequest(const std::uint8_t* message, std::size_t size, AccountRequest* request);

} // namespace orv
