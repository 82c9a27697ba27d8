// Each subscriber's friend records in the subscriber database (shares SubscriberDb's
// connection). A record's identifier is given by the database and never reused, so a
// client that still holds a deleted record's identifier cannot reach another record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

namespace orv {

class SubscriberDb;

// A subscriber has at most this many friends (the index answer stays a small datagram).
constexpr std::size_t kMaxFriends = 500;

struct FriendRow {
    std::uint32_t recordId = 0;
    std::string owner;    // the subscriber whose friend it is
    std::string name;
    std::string phone;
    std::string mobile;
    std::string netPhone; // the friend's ORV number
    std::string email;
    std::string group;

    bool operator==(const FriendRow&) const = default;
};

class FriendDb {
public:
    explicit FriendDb(SubscriberDb& db);

    // The owner's friends in the order they were first stored.
    bool List(const std::string& owner, std::vector<FriendRow>* rows);
    // False when the owner has no such record (LastError() empty) or on failure.
    bool Find(const std::string& owner, std::uint32_t recordId, FriendRow* row);
    // Stores a new record (recordId 0: gets a fresh identifier) or replaces one of the
    // owner's. False with LastError() empty when the record to replace is not the owner's,
    // or when the owner has kMaxFriends already (*full set).
    bool Store(FriendRow* row, bool* full);
    // False when the owner has no such record (LastError() empty) or on failure.
    bool Remove(const std::string& owner, std::uint32_t recordId);
    // Every (owner, recordId) whose friend has this ORV number.
    bool HoldersOf(const std::string& netPhone, std::vector<std::pair<std::string, std::uint32_t>>* holders);

    const std::string& LastError() const { return m_error; }

private:
    bool FailSql();

    sqlite3* m_db;
    std::string m_error;
};

} // namespace orv
