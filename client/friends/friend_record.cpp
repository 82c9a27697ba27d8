#include "client/friends/friend_record.h"

#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <cstring>

namespace orv {

namespace {

// Offsets of the packed record.
constexpr std::size_t kUserIdAt = 4;
constexpr std::size_t kNameAt = 36;
constexpr std::size_t kPhoneAt = 52;
constexpr std::size_t kMobileAt = 84;
constexpr std::size_t kNetPhoneAt = 116;
constexpr std::size_t kEmailAt = 148;
constexpr std::size_t kGroupAt = 180;

void CutField(std::string* text, std::size_t fieldSize) { CutText(text, fieldSize - 1); }

// text is already cut to fit.
void PutField(std::uint8_t* field, std::size_t fieldSize, const std::string& text) {
    std::memset(field, 0, fieldSize);
    std::memcpy(field, text.data(), text.size());
}

std::string GetField(const std::uint8_t* field, std::size_t fieldSize) {
    const char* s = reinterpret_cast<const char*>(field);
    return std::string(s, strnlen(s, fieldSize - 1));
}

} // namespace

void CutText(std::string* text, std::size_t maxBytes) {
    const std::size_t zero = text->find('\0');
    if (zero != std::string::npos) text->resize(zero);
    if (text->size() <= maxBytes) return;
    std::size_t end = maxBytes;
    // Back off over continuation bytes to the start of the character that does not fit.
    while (end > 0 && maxBytes - end < 3 && (static_cast<unsigned char>((*text)[end]) & 0xC0) == 0x80) --end;
    text->resize(end);
}

void CutToFields(FriendRecord* r) {
    CutField(&r->userId, kFriendNumberField);
    CutField(&r->friendName, kFriendNameField);
    CutField(&r->phone, kFriendNumberField);
    CutField(&r->mobile, kFriendNumberField);
    CutField(&r->netPhone, kFriendNumberField);
    CutField(&r->email, kFriendNumberField);
    CutField(&r->group, kFriendNameField);
}

void PackFriendRecord(const FriendRecord& record, std::uint8_t* out) {
    FriendRecord r = record;
    CutToFields(&r);
    PutU32LE(out, r.recordId);
    PutField(out + kUserIdAt, kFriendNumberField, r.userId);
    PutField(out + kNameAt, kFriendNameField, r.friendName);
    PutField(out + kPhoneAt, kFriendNumberField, r.phone);
    PutField(out + kMobileAt, kFriendNumberField, r.mobile);
    PutField(out + kNetPhoneAt, kFriendNumberField, r.netPhone);
    PutField(out + kEmailAt, kFriendNumberField, r.email);
    PutField(out + kGroupAt, kFriendNameField, r.group);
}

FriendRecord UnpackFriendRecord(const std::uint8_t* in) {
    FriendRecord r;
    r.recordId = GetU32LE(in);
    r.userId = GetField(in + kUserIdAt, kFriendNumberField);
    r.friendName = GetField(in + kNameAt, kFriendNameField);
    r.phone = GetField(in + kPhoneAt, kFriendNumberField);
    r.mobile = GetField(in + kMobileAt, kFriendNumberField);
    r.netPhone = GetField(in + kNetPhoneAt, kFriendNumberField);
    r.email = GetField(in + kEmailAt, kFriendNumberField);
    r.group = GetField(in + kGroupAt, kFriendNameField);
    return r;
}

} // namespace orv
