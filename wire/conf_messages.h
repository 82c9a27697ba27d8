// The conference bytes client and server agree on: the user server's conference request,
// establish notice, invitation and its answer, and the conference messages on a conference
// server's stream link (seat status, member invite, alert, connect and disconnect notices,
// commands and digits towards a seat). Parsers check the length before reading any field;
// builders give whole packets, header included.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// User-server packets.
constexpr std::uint16_t kPktConfRequest = 0x0301;
constexpr std::uint16_t kPktConfEstablish = 0x0303;
constexpr std::uint16_t kPktConfInvite = 0x0304;
constexpr std::uint16_t kPktConfInviteAck = 0x0305;

// Conference-server stream messages (beside the call-signalling ones).
constexpr std::uint16_t kPktConfStatus = 0x0A07;
constexpr std::uint16_t kPktConfCmd = 0x0A08;
constexpr std::uint16_t kPktConfNoAction = 0x0A0B;
constexpr std::uint16_t kPktConfAlert = 0x0A0C;
constexpr std::uint16_t kPktConfConnect = 0x0A0D;
constexpr std::uint16_t kPktConfDisconnect = 0x0A0E;
constexpr std::uint16_t kPktConfMemberInvite = 0x0A12;
constexpr std::uint16_t kPktConfDTMF = 0x0A13;

constexpr std::size_t kConfRequestSize = 40;
constexpr std::size_t kConfEstablishBodySize = 112;
constexpr std::size_t kConfInviteSize = 80;
constexpr std::size_t kConfStatusSize = 200;
constexpr std::size_t kConfCmdSize = 15;
constexpr std::size_t kConfAlertSize = 50; // also the member invite
constexpr std::size_t kConfConnectSize = 58;
constexpr std::size_t kConfDisconnectSize = 54;
constexpr std::size_t kConfDtmfSize = 30;
constexpr std::size_t kConfSeatEntrySize = 47;
constexpr std::size_t kConfDtmfDigits = 15; // digits one ConfDTMF carries at most

constexpr int kConfSeats = 4;
constexpr std::uint8_t kRoleChairman = 3;

// Seat status.
constexpr std::uint8_t kSeatFree = 0;
constexpr std::uint8_t kSeatInvited = 1;
constexpr std::uint8_t kSeatAlerting = 4;
constexpr std::uint8_t kSeatConnected = 5;

// Conference command types.
constexpr std::uint8_t kConfCmdVideoRequest = 1;
constexpr std::uint8_t kConfCmdVideoCancel = 2;
constexpr std::uint8_t kConfCmdKick = 5;
constexpr std::uint8_t kConfCmdAnswered = 8;

struct ConfEstablish {
    std::uint8_t result = 0;      // 0 = established
    std::uint32_t callId = 0;     // when established
    std::int32_t reason = 0;      // when refused (same field)
    std::string chairman;         // the calling party
    std::string confId;           // what members see as the originating identifier
    std::string invited;
    std::uint8_t role = 0;        // kRoleChairman for the one who asked for the room
    std::uint32_t servId = 0;
    std::uint32_t servIP = 0;     // first octet in the lowest byte
    std::uint16_t servPort = 0;
};
bool ParseConfEstablish(const std::uint8_t* body, std::size_t size, ConfEstablish* notice);
std::vector<std::uint8_t> BuildConfEstablish(std::uint32_t seq, const ConfEstablish& notice);

std::vector<std::uint8_t> BuildConfRequest(std::uint32_t seq, const std::string& own);
bool ParseConfRequest(const std::uint8_t* body, std::size_t size, std::string* own);

struct ConfInviteRequest {
    std::uint32_t servId = 0;
    std::uint32_t callId = 0;
    std::string own;
    std::string invited;
};
std::vector<std::uint8_t> BuildConfInvite(std::uint32_t seq, const ConfInviteRequest& invite);
bool ParseConfInvite(const std::uint8_t* body, std::size_t size, ConfInviteRequest* invite);

// One seat as ConfStatus carries it (and as the member notices describe a member).
struct ConfSeatEntry {
    std::uint8_t status = kSeatFree;
    std::string number;
    std::uint32_t endpoint = 0;
    std::uint16_t channel = 0;
    std::array<std::uint16_t, 4> media{}; // media[1] non-zero: the member sends video
    std::uint32_t reason = 0;             // ConfDisconnect only
};
void PutConfSeatEntry(std::uint8_t* at, const ConfSeatEntry& seat); // kConfSeatEntrySize bytes
ConfSeatEntry GetConfSeatEntry(const std::uint8_t* at);

std::vector<std::uint8_t> BuildConfStatus(std::uint32_t seq, std::uint32_t callId,
                                          const std::array<ConfSeatEntry, kConfSeats>& seats);
bool ParseConfStatus(const std::uint8_t* packet, std::size_t size, std::array<ConfSeatEntry, kConfSeats>* seats);

// ConfAlert, ConfMemberInvite, ConfConnect and ConfDisconnect: the member notice of that type.
std::size_t ConfMemberSize(std::uint16_t type); // 0 for another type
std::vector<std::uint8_t> BuildConfMember(std::uint16_t type, std::uint32_t seq, std::uint32_t callId,
                                          const ConfSeatEntry& member);
bool ParseConfMember(std::uint16_t type, const std::uint8_t* packet, std::size_t size, ConfSeatEntry* member);

std::vector<std::uint8_t> BuildConfCmd(std::uint32_t seq, std::uint32_t callId, std::uint8_t cmdType,
                                       std::uint16_t relatedId);
bool ParseConfCmd(const std::uint8_t* packet, std::size_t size, std::uint8_t* cmdType, std::uint16_t* relatedId);

// digits: at most kConfDtmfDigits are sent.
std::vector<std::uint8_t> BuildConfDtmf(std::uint32_t seq, std::uint32_t callId, std::uint16_t channel,
                                        const std::string& digits);
bool ParseConfDtmf(const std::uint8_t* packet, std::size_t size, std::uint16_t* channel, std::string* digits);

} // namespace orv
