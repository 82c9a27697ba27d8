// The subscribers of the user server in one SQLite file: number, password digest, state,
// the count of wrong passwords in a row, and the custom information of the subscriber's
// service provider. Only the digest is kept, never the password. The same file holds each
// subscriber's friends and service options (friend_db.h, options_db.h); their rows go
// when the subscriber is removed.
#pragma once

#include "server/user_packets.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;

namespace orv {

constexpr const char* kSubscriberDbName = "orvserver.db";
// After this many wrong passwords in a row each further one locks the number for a while
// (LogonGuard).
constexpr int kWrongPasswordLimit = 30;

enum class SubscriberState { Inactive = 0, Active = 1 };

struct Subscriber {
    std::string number;
    std::string digest;
    SubscriberState state = SubscriberState::Active;
    int wrongPasswords = 0;
    CustomInfo custom;
    char bindOption = '0';  // '1': logons must carry bindValue
    std::string bindValue;  // the bind value of the handset the subscriber bound to
};

// 1 to 31 characters from digits, letters, '_', '.', '-' (fits the 32-byte number field and
// is safe in log lines and command lines).
bool IsValidNumber(const std::string& number);
// 1 to 64 printable characters.
bool IsValidPassword(const std::string& password);
// The form of a password digest: four groups of eight upper-case hexadecimal digits
// joined by '-'.
bool IsValidDigest(const std::string& digest);
const char* StateName(SubscriberState state);
bool ParseStateName(const std::string& text, SubscriberState* state);

class SubscriberDb {
public:
    // Opens the database, or creates it when the file is missing; *created tells whether it
    // was. Null with a message in *error when the file is empty, damaged (SQLite's quick
    // check), read-only, cannot be opened or is not our database.
    static std::unique_ptr<SubscriberDb> Open(const std::string& path, std::string* error, bool* created = nullptr);
    ~SubscriberDb();
    SubscriberDb(const SubscriberDb&) = delete;
    SubscriberDb& operator=(const SubscriberDb&) = delete;

    // Each returns false with LastError() set; Add refuses a number that exists already.
    bool Add(const std::string& number, const std::string& password);
    bool Remove(const std::string& number);
    bool SetState(const std::string& number, SubscriberState state); // Active also unlocks
    bool SetCustomInfo(const std::string& number, const CustomInfo& info);
    bool SetPassword(const std::string& number, const std::string& password);
    // The digest as a client computed it for a new password (IsValidDigest).
    bool SetDigest(const std::string& number, const std::string& digest);

    // False when the number is unknown (LastError() empty) or on a database failure.
    bool Find(const std::string& number, Subscriber* subscriber);
    bool List(std::vector<Subscriber>* subscribers);

    // Counts one more wrong password; returns the new count, -1 on failure.
    int RecordWrongPassword(const std::string& number);
    bool ResetWrongPasswords(const std::string& number);

    const std::string& LastError() const { return m_error; }
    // The connection, shared by the classes of the other tables (FriendDb, OptionsDb). It is
    // opened serialised, so they may be used from another thread as well.
    sqlite3* Handle() { return m_db; }

private:
    explicit SubscriberDb(sqlite3* db) : m_db(db) {}
    using SqlValue = std::variant<std::string, long long>;
    bool Exec(const char* sql);
    // Runs one statement with its parameters; with mustChangeOne it fails unless exactly one
    // row changed ("no such number").
    bool Change(const char* sql, std::initializer_list<SqlValue> values, bool mustChangeOne = true);
    bool Fail(const std::string& what);

    sqlite3* m_db;
    std::string m_error;
};

} // namespace orv
