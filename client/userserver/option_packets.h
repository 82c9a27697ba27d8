// Bodies of the service-option requests and answers of the user-server conversation:
// offline calls, support entries, call forwarding, password change, bind option, the
// file-update query and the account-server address. Builders return whole packets with
// SeqNum 0 for the sender to fill; parsers take a body (what follows the header), check every
// length and count against its size, and refuse a short body.
#pragma once

#include "client/userserver/user_serv_packets.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr std::uint16_t PKT_CALL_FORWARD = 0x0205;

// A count of 0xFFFF in the offline-call and support answers: not ready, ask again.
constexpr std::uint16_t kListNotReady = 0xFFFF;

// Call forwarding: the flag (non-zero = forwarding configured) and the four numbers.
constexpr std::size_t kForwardRecordSize = 129;
struct ForwardRecord {
    std::uint8_t flag = 0;
    std::string offline;  // when off line
    std::string busy;     // when busy
    std::string noAnswer; // when not answered
    std::string always;   // every call

    bool AllEmpty() const { return offline.empty() && busy.empty() && noAnswer.empty() && always.empty(); }
    bool operator==(const ForwardRecord&) const = default;
};
void PackForwardRecord(const ForwardRecord& record, std::uint8_t* out); // 129 bytes
ForwardRecord UnpackForwardRecord(const std::uint8_t* in);

// Forwarding types of a call forward: 2 busy, 3 not answered (1 and 4 are never sent).
constexpr int kForwardBusy = 2;
constexpr int kForwardNoAnswer = 3;

// One offline call: the numbers, the time and the kind byte (2 = a conference call).
constexpr std::size_t kOfflineCallSize = 70;
struct OfflineCall {
    std::string caller;
    std::string called;
    std::uint32_t time = 0;
    std::uint8_t kind = 0;
};
struct OfflineCallsAnswer {
    bool notReady = false;
    std::vector<OfflineCall> calls; // in the order the server sent them
};
bool ParseOfflineCallsAnswer(const std::uint8_t* body, std::size_t size, OfflineCallsAnswer* answer);

// Support entries: 64 bytes each, kept as they came.
constexpr std::size_t kSupportEntrySize = 64;
using SupportEntry = std::array<std::uint8_t, kSupportEntrySize>;
struct SupportAnswer {
    bool notReady = false;
    std::vector<SupportEntry> entries;
};
bool ParseSupportAnswer(const std::uint8_t* body, std::size_t size, SupportAnswer* answer);
// An entry holds the number to call in its first 32 bytes and its text (both languages,
// "Chinese|English") in the last 32, each NUL-padded.
std::string SupportEntryNumber(const SupportEntry& entry);
std::string SupportEntryText(const SupportEntry& entry);

// Get-forwarding answer: result; on success the record, on failure the reason.
struct ForwardAnswer {
    std::uint8_t result = 0;
    ForwardRecord record;
    std::int32_t reason = 0;
};
bool ParseForwardAnswer(const std::uint8_t* body, std::size_t size, ForwardAnswer* answer);

// File-update query answer: result; on success the update mode and the update server.
struct FileUpdateAnswer {
    std::uint8_t result = 0;
    std::uint32_t mode = 0;
    std::uint32_t address = 0; // first octet in the lowest byte
    std::uint16_t port = 0;
    std::int32_t reason = 0;
};
bool ParseFileUpdateAnswer(const std::uint8_t* body, std::size_t size, FileUpdateAnswer* answer);

// Account-server address answer: result; on success the account server.
struct AccountServAnswer {
    std::uint8_t result = 0;
    std::uint32_t address = 0; // first octet in the lowest byte
    std::uint16_t port = 0;
    std::int32_t reason = 0;
};
bool ParseAccountServAnswer(const std::uint8_t* body, std::size_t size, AccountServAnswer* answer);

// Requests.
std::vector<std::uint8_t> BuildSetForwardRequest(const ForwardRecord& record); // 137 bytes
std::vector<std::uint8_t> BuildSetPasswordRequest(const char* number, const char* oldPassword,
                                                  const char* newPassword); // 120 bytes
std::vector<std::uint8_t> BuildSetBindRequest(const char* number, const char* password, char option); // 81 bytes
std::vector<std::uint8_t> BuildCallForward(int type, std::uint32_t callId, std::uint32_t servId,
                                           const std::string& caller, const std::string& forwardTo); // 81 bytes

// Read back from a request copy: the forwarding record, the new password, the option.
bool ParseSetForwardRequest(const std::uint8_t* packet, std::size_t size, ForwardRecord* record);
bool ParseSetPasswordNew(const std::uint8_t* packet, std::size_t size, std::string* newPassword);
bool ParseSetBindOption(const std::uint8_t* packet, std::size_t size, char* option);

} // namespace orv
