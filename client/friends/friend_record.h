// The friend record as the store, the wire and the friend-list window see it, and its
// 196-byte packed form. Text fields are cut to one less than their field size so that a
// record always packs without losing its terminating zero byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

constexpr std::size_t kFriendRecordSize = 196;
constexpr std::size_t kFriendEntrySize = kFriendRecordSize + 1; // record and status byte

// Field sizes of the packed record.
constexpr std::size_t kFriendNumberField = 32; // UserID, Phone, Mobile, NetPhone, EMail
constexpr std::size_t kFriendNameField = 16;   // FriendName, group name

struct FriendRecord {
    std::uint32_t recordId = 0; // assigned by the server; 0 for a friend not yet stored
    std::string userId;         // the owner's number
    std::string friendName;
    std::string phone;
    std::string mobile;
    std::string netPhone;       // the friend's ORV number
    std::string email;
    std::string group;          // empty = the default group

    bool operator==(const FriendRecord&) const = default;
};

// A record with the friend's on-line status as the server reports it.
struct FriendEntry {
    FriendRecord record;
    std::uint8_t status = 0;

    bool operator==(const FriendEntry&) const = default;
};

// Cuts text at an embedded zero byte and to at most maxBytes bytes, never inside a UTF-8
// sequence (a name cut in the middle of a character would show as junk).
void CutText(std::string* text, std::size_t maxBytes);

// Cuts every text field to what its packed field can hold (and at an embedded zero byte,
// which would end the field on the wire anyway).
void CutToFields(FriendRecord* record);

// Writes the 196-byte packed record (the fields cut as above) to out.
void PackFriendRecord(const FriendRecord& record, std::uint8_t* out);
// Reads a packed record from in (196 bytes); a field without a zero byte is read up to one
// less than its size.
FriendRecord UnpackFriendRecord(const std::uint8_t* in);

} // namespace orv
