// The user server's packets (framed by the header in wire/packet_header.h): the bodies the
// server reads (each parser checks the exact body length before trusting any field or
// count) and the answers it builds.
#pragma once

#include "wire/packet_header.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr std::uint16_t kPktWantRelogon = 0x0100;
constexpr std::uint16_t kPktLogin = 0x0101;
constexpr std::uint16_t kPktLogout = 0x0102;
constexpr std::uint16_t kPktKeepAlive = 0x0103;
constexpr std::uint16_t kPktNatDetect = 0x0104;
constexpr std::uint16_t kPktCustomInfo = 0x010D;
constexpr std::uint16_t kPktQuerySvrIPPort = 0x0111;

constexpr std::size_t kNumberField = 32;
constexpr std::size_t kPasswordField = 40;
constexpr std::size_t kBindInfoField = 64;
constexpr std::size_t kCustomTextField = 64;
constexpr std::uint8_t kClientKind = 2;

// Logon refusal reasons.
constexpr std::int32_t kReasonUnknownNumber = -2;
constexpr std::int32_t kReasonWrongPassword = -3;
constexpr std::int32_t kReasonBadClientKind = -6;
constexpr std::int32_t kReasonLocked = -8;
constexpr std::int32_t kReasonNotActive = -9;
constexpr std::int32_t kReasonWrongHandset = -13; // bound to a handset the logon did not carry
// Any request: the server could not do it now (its database failed).
constexpr std::int32_t kReasonServerError = -1;

// Logout code of the notice to a session whose number logged on elsewhere.
constexpr std::uint32_t kLogoutElsewhere = 2;

struct LoginRequest {
    std::string number;   // at most 31 characters
    std::string digest;   // the password field, at most 39 characters
    std::string bindInfo; // at most 63 characters
    std::uint8_t clientKind = 0;
    std::vector<std::uint32_t> localAddresses; // first octet most significant
};
// Body of 139 + 6·n bytes exactly; false for any other size.
bool ParseLoginRequest(const std::uint8_t* body, std::size_t size, LoginRequest* request);

// Bodies that carry only an endpoint identifier (keep-alive, NAT echo), or the endpoint and
// a code (the client's logout). False unless the body has exactly that size.
bool ParseEndpointBody(const std::uint8_t* body, std::size_t size, std::uint32_t* endpoint);
bool ParseLogoutBody(const std::uint8_t* body, std::size_t size, std::uint32_t* endpoint, std::uint32_t* code);

// Any packet: the header with its length, then the body as given.
std::vector<std::uint8_t> BuildPacket(std::uint16_t type, std::uint32_t seq, const std::vector<std::uint8_t>& body);

// Answers and notices, header included.
std::vector<std::uint8_t> BuildHeaderOnly(std::uint16_t type, std::uint32_t seq);
std::vector<std::uint8_t> BuildSuccess(std::uint16_t type, std::uint32_t seq, std::uint32_t value);
std::vector<std::uint8_t> BuildFailure(std::uint16_t type, std::uint32_t seq, std::int32_t reason);
// address in network byte order (first octet in the lowest-addressed byte), as on the wire.
std::vector<std::uint8_t> BuildServerAddress(std::uint32_t seq, std::uint32_t address, std::uint16_t port);
std::vector<std::uint8_t> BuildLogoutNotice(std::uint32_t seq, std::uint32_t endpoint, std::uint32_t code);
std::vector<std::uint8_t> BuildNatDetect(std::uint32_t seq);

struct CustomInfo {
    std::uint32_t id = 0;
    std::string name; // cut to 63 characters on the wire
    std::string url;
};
std::vector<std::uint8_t> BuildCustomInfo(std::uint32_t seq, const CustomInfo& info);

} // namespace orv
