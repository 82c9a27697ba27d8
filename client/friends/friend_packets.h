// The friend packets of the user-server conversation: the requests the client sends (and
// their parsers, for the service side and tests) and the answers and pushes it receives
// (and their builders). Whole packets include the 8-byte header with SeqNum 0 for the sender
// to fill; bodies are what follows the header. Every parser checks every length and count
// against the body size and refuses a short body.
#pragma once

#include "client/friends/friend_record.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

// The friend packet types of the user-server conversation (the other types are listed with
// the user-server handler).
constexpr std::uint16_t PKT_FRIEND_INDEX = 0x0105;
constexpr std::uint16_t PKT_FRIEND_DETAIL = 0x0106;
constexpr std::uint16_t PKT_SET_FRIEND = 0x0107;
constexpr std::uint16_t PKT_DEL_FRIEND = 0x0108;
constexpr std::uint16_t PKT_FRIEND_STATUS = 0x01FF;

// The index count that means "the list is still being loaded, ask again".
constexpr std::uint16_t kFriendIndexNotReady = 0xFFFF;

// Result byte of every user-server answer that can fail: success, or failure followed by an
// i32 reason.
constexpr std::uint8_t kResultSuccess = 0;
constexpr std::uint8_t kResultFailure = 255;

// How the friend requests are sent: retries and the interval between them, and the delay
// before an index that was not ready is asked for again.
constexpr int kFriendIndexRetries = 5;
constexpr std::uint32_t kFriendIndexNotReadyDelayMs = 1000;
constexpr int kFriendDetailRetries = 10;
constexpr int kFriendChangeRetries = 5; // set and delete
constexpr std::uint32_t kFriendRetryIntervalMs = 5000;

// The refusal reason of a delete that still removes the record locally (the server no
// longer has it).
constexpr std::int32_t kDelFriendReasonGone = -2;

// --- requests (client -> server) ---
std::vector<std::uint8_t> BuildFriendIndexRequest();                     // 8 bytes
std::vector<std::uint8_t> BuildFriendDetailRequest(std::uint32_t recordId); // 12 bytes
std::vector<std::uint8_t> BuildSetFriendRequest(const FriendEntry& entry);  // 205 bytes
std::vector<std::uint8_t> BuildDelFriendRequest(std::uint32_t recordId);    // 12 bytes

// Body of a detail or delete request: the RecordID.
bool ParseRecordIdRequest(const std::uint8_t* body, std::size_t size, std::uint32_t* recordId);
// Body of a set request: the record and its status byte.
bool ParseSetFriendRequest(const std::uint8_t* body, std::size_t size, FriendEntry* entry);

// --- answers and pushes (server -> client) ---
struct FriendIndexAnswer {
    bool notReady = false;                // count was 0xFFFF
    std::vector<std::uint32_t> recordIds; // in the order the server sent them
};

// The result byte decides which fields follow: success has the answer's data, failure
// (255) an i32 reason, any other value nothing (the caller reports it as unknown).
struct FriendDetailAnswer {
    std::uint8_t result = 0;
    FriendEntry entry;       // on success
    std::int32_t reason = 0; // on failure
};
struct SetFriendAnswer {
    std::uint8_t result = 0;
    std::uint32_t recordId = 0; // on success: the identifier the server gave the record
    std::int32_t reason = 0;    // on failure
};
struct DelFriendAnswer {
    std::uint8_t result = 0;
    std::int32_t reason = 0; // on failure
};
struct FriendStatusPush {
    std::uint8_t status = 0;
    std::uint32_t recordId = 0;
};

bool ParseFriendIndexAnswer(const std::uint8_t* body, std::size_t size, FriendIndexAnswer* answer);
bool ParseFriendDetailAnswer(const std::uint8_t* body, std::size_t size, FriendDetailAnswer* answer);
bool ParseSetFriendAnswer(const std::uint8_t* body, std::size_t size, SetFriendAnswer* answer);
bool ParseDelFriendAnswer(const std::uint8_t* body, std::size_t size, DelFriendAnswer* answer);
bool ParseFriendStatusPush(const std::uint8_t* body, std::size_t size, FriendStatusPush* push);

// Whole packets of the answers and the push. An index with more identifiers than a
// packet can carry is refused (empty result).
std::vector<std::uint8_t> BuildFriendIndexAnswer(const FriendIndexAnswer& answer);
std::vector<std::uint8_t> BuildFriendDetailAnswer(const FriendDetailAnswer& answer);
std::vector<std::uint8_t> BuildSetFriendAnswer(const SetFriendAnswer& answer);
std::vector<std::uint8_t> BuildDelFriendAnswer(const DelFriendAnswer& answer);
std::vector<std::uint8_t> BuildFriendStatusPush(const FriendStatusPush& push);

// True when a delete answer removes the record from the store: a success, or a refusal
// because the server no longer has the record.
bool DelFriendAnswerRemoves(const DelFriendAnswer& answer);

// The order in which the records of an index answer are fetched: the last identifier
// first, the first one last.
std::vector<std::uint32_t> FriendDetailFetchOrder(const std::vector<std::uint32_t>& indexIds);

} // namespace orv
