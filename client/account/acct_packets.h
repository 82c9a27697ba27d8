// The account server's messages as the client builds and reads them: AccountQuery (80
// bytes: own number, password field), AccountFill (144 bytes: the same, card number, card
// password) and their 13-byte answers (result, then the balance in hundredths or a reason).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr std::uint16_t PKT_ACCOUNT_FILL = 0x0502;
constexpr std::uint16_t PKT_ACCOUNT_QUERY = 0x0503;
constexpr std::size_t kAccountQuerySize = 80;
constexpr std::size_t kAccountFillSize = 144;
constexpr std::size_t kAccountAnswerSize = 13;
constexpr std::size_t kCardField = 32;

// The 5 bytes of an answer as they reach the windows.
struct AccountAnswer {
    std::uint8_t result = 0; // 0 = success
    std::uint32_t value = 0; // balance in hundredths, or the reason (a negative number)
};

// Sequence number 0: the handler numbers the packet when it sends it. Texts longer than
// their field are cut to leave the terminating zero.
std::vector<std::uint8_t> BuildAccountQuery(const std::string& number, const std::string& password);
std::vector<std::uint8_t> BuildAccountFill(const std::string& number, const std::string& password,
                                           const std::string& card, const std::string& cardPassword);
// A whole answer message, header included; false unless it holds exactly 13 bytes.
bool ParseAccountAnswer(const std::uint8_t* message, std::size_t size, AccountAnswer* answer);

} // namespace orv
