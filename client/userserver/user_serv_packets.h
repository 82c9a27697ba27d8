// Packet types of the user server and the bodies of the logon conversation, packed and
// parsed with explicit little-endian code. Parsers check the body length before reading.
#pragma once

#include "client/friends/friend_packets.h" // the friend types and the result byte
#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr std::uint16_t PKT_WANT_RELOGON = 0x0100;
constexpr std::uint16_t PKT_LOGIN = 0x0101;
constexpr std::uint16_t PKT_LOGOUT = 0x0102;
constexpr std::uint16_t PKT_KEEPALIVE = 0x0103;
constexpr std::uint16_t PKT_NAT_DETECT = 0x0104;
// 0x0105 to 0x0108 and 0x01FF: the friend packets (client/friends/friend_packets.h).
constexpr std::uint16_t PKT_OFFLINE_CALLS = 0x010B;
constexpr std::uint16_t PKT_CUSTOM_INFO = 0x010D;
constexpr std::uint16_t PKT_GET_FORWARD = 0x010E;
constexpr std::uint16_t PKT_SET_FORWARD = 0x010F;
constexpr std::uint16_t PKT_SET_PASSWORD = 0x0110;
constexpr std::uint16_t PKT_QUERY_SVR_IPPORT = 0x0111;
constexpr std::uint16_t PKT_SUPPORT_INFO = 0x0112;
constexpr std::uint16_t PKT_SET_BIND_OPT = 0x0114;
constexpr std::uint16_t PKT_QUERY_BIND_OPT = 0x0115;
constexpr std::uint16_t PKT_TALK_REQUEST = 0x0201;
constexpr std::uint16_t PKT_TALK_ESTABLISH = 0x0203;
constexpr std::uint16_t PKT_CONF_REQUEST = 0x0301;
constexpr std::uint16_t PKT_CONF_ESTABLISH = 0x0303;
constexpr std::uint16_t PKT_CONF_INVITE = 0x0304;
constexpr std::uint16_t PKT_CONF_INVITE_ACK = 0x0305;
constexpr std::uint16_t PKT_FILE_UPDATE_QUERY = 0x0409;
constexpr std::uint16_t PKT_ACCOUNT_SERVER = 0x0501;


// Field sizes.
constexpr std::size_t kNumberField = 32;
constexpr std::size_t kPasswordField = 40;
constexpr std::size_t kBindInfoField = 64;
constexpr std::uint8_t kClientKind = 2;

// At most this many local addresses go into a login request (the count is a u16 and the
// datagram must stay far below the link's size limit).
constexpr std::size_t kMaxLoginAddresses = 64;

// The login request (header included, SeqNum left 0 for the sender to fill):
// number, password field, "BindInfo" text, client kind 2, the local addresses (IPv4 as a
// number with the first octet most significant) each with port 0.
std::vector<std::uint8_t> BuildLoginRequest(const char* number, const char* password, const std::string& bindInfo,
                                            const std::vector<std::uint32_t>& localAddresses);
// "%08x" of the bind value.
std::string FormatBindInfo(std::uint32_t bindValue);

// A result byte with its value: the u32 that follows on success, the i32 reason on failure.
struct ResultAnswer {
    std::uint8_t result = 0;
    std::uint32_t value = 0; // EndpointID or TTL on success
    std::int32_t reason = 0; // on failure
};
// False when the body is too short for its result byte and the 4 bytes that follow it.
bool ParseResultAnswer(const std::uint8_t* body, std::size_t size, ResultAnswer* answer);

// The QuerySvrIPPort answer: address with the first octet in the lowest byte, port.
struct ServerAddressAnswer {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};
bool ParseServerAddressAnswer(const std::uint8_t* body, std::size_t size, ServerAddressAnswer* answer);

// A server's logout notice: endpoint identifier and logout code.
struct LogoutNotice {
    std::uint32_t endpointId = 0;
    std::uint32_t code = 0;
};
bool ParseLogoutNotice(const std::uint8_t* body, std::size_t size, LogoutNotice* notice);

// Custom information: identifier, provider name and service address (132 bytes).
constexpr std::size_t kCustomInfoSize = 132;
struct CustomInfo {
    std::uint32_t customId = 0;
    std::string customName;
    std::string bmsUrl;
};
bool ParseCustomInfo(const std::uint8_t* body, std::size_t size, CustomInfo* info);

} // namespace orv
