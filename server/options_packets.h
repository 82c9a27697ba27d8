// The service-option packets as the user server reads and builds them: offline calls,
// call forwarding, password change, support entries, the bind option, and the answers for
// the update-server and account-server queries. Parsers accept only the exact body size.
#pragma once

#include "server/options_db.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr std::uint16_t kPktOfflineCalls = 0x010B;
constexpr std::uint16_t kPktGetForward = 0x010E;
constexpr std::uint16_t kPktSetForward = 0x010F;
constexpr std::uint16_t kPktSetPassword = 0x0110;
constexpr std::uint16_t kPktSupportInfo = 0x0112;
constexpr std::uint16_t kPktSetBindOption = 0x0114;
constexpr std::uint16_t kPktQueryBindOption = 0x0115;
constexpr std::uint16_t kPktFileUpdateQuery = 0x0409;
constexpr std::uint16_t kPktAccountServer = 0x0501;

// Refusal reasons of the service options.
constexpr std::int32_t kReasonTryAgain = -17;     // forwarding not readable now: the client asks again
constexpr std::int32_t kReasonNoService = -20;    // no update or account server in this service
constexpr std::int32_t kReasonBadValue = -11;     // a malformed number, digest or option

struct SetPasswordRequest {
    std::string number;
    std::string oldDigest;
    std::string newDigest;
};
struct SetBindOptionRequest {
    std::string number;
    std::string digest;
    char option = 0;
};

// The 129-byte forwarding record: flag and the four numbers.
bool ParseForwardBody(const std::uint8_t* body, std::size_t size, ForwardSettings* settings);
bool ParseSetPasswordBody(const std::uint8_t* body, std::size_t size, SetPasswordRequest* request);
bool ParseSetBindOptionBody(const std::uint8_t* body, std::size_t size, SetBindOptionRequest* request);

std::vector<std::uint8_t> BuildForwardAnswer(std::uint32_t seq, const ForwardSettings& settings);
// At most kMaxOfflineCalls entries of 70 bytes.
std::vector<std::uint8_t> BuildOfflineCalls(std::uint32_t seq, const std::vector<OfflineCall>& calls);
// Each 64-byte support entry: the number in 32 bytes, then the menu text in 32 bytes.
std::vector<std::uint8_t> BuildSupportInfo(std::uint32_t seq, const std::vector<SupportEntry>& entries);
std::vector<std::uint8_t> BuildBindOption(std::uint32_t seq, char option);
// The answer naming the update server (with the update mode) or the account server:
// result 0, a u32 the client does not use, [mode,] the IPv4 address (network byte order, so
// the first octet goes first) and the port.
std::vector<std::uint8_t> BuildServerAnswer(std::uint16_t type, std::uint32_t seq, bool withMode, std::uint32_t mode,
                                            std::uint32_t address, std::uint16_t port);
std::vector<std::uint8_t> BuildResultOnly(std::uint16_t type, std::uint32_t seq, std::uint8_t result);

} // namespace orv
