// The friend packets as the user server reads and builds them: the index, detail, set and
// delete requests and answers, and the status push. Parsers accept only the exact body
// size; texts are read up to one less than their field size.
#pragma once

#include "server/friend_db.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

constexpr std::uint16_t kPktFriendIndex = 0x0105;
constexpr std::uint16_t kPktFriendDetail = 0x0106;
constexpr std::uint16_t kPktSetFriend = 0x0107;
constexpr std::uint16_t kPktDelFriend = 0x0108;
constexpr std::uint16_t kPktFriendStatus = 0x01FF;

constexpr std::size_t kFriendRecordSize = 196;
constexpr std::uint16_t kFriendIndexNotReady = 0xFFFF;

// The friend's on-line status in detail answers and pushes.
constexpr std::uint8_t kFriendOffLine = 0;
constexpr std::uint8_t kFriendOnLine = 1;

// Refusal reasons of the friend requests.
constexpr std::int32_t kReasonNoSuchRecord = -2; // the client drops the record it holds
constexpr std::int32_t kReasonListFull = -10;
constexpr std::int32_t kReasonBadRecord = -11;

// Detail and delete requests: the RecordID.
bool ParseRecordIdBody(const std::uint8_t* body, std::size_t size, std::uint32_t* recordId);
// Set request: the 196-byte record (its UserID is not trusted: the owner is the sender) and
// the status byte. row->owner is left empty.
bool ParseSetFriendBody(const std::uint8_t* body, std::size_t size, FriendRow* row);

// notReady sends the count 0xFFFF and no identifiers.
std::vector<std::uint8_t> BuildFriendIndex(std::uint32_t seq, bool notReady, const std::vector<std::uint32_t>& ids);
std::vector<std::uint8_t> BuildFriendDetail(std::uint32_t seq, const FriendRow& row, std::uint8_t status);
std::vector<std::uint8_t> BuildFriendStatus(std::uint32_t seq, std::uint8_t status, std::uint32_t recordId);

} // namespace orv
