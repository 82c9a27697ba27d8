#include "server/subscriber_db.h"

#include "server/db_file_checks.h"
#include "server/sql_statement.h"
#include "wire/password_digest.h"

#include <sqlite3.h>

#include <cctype>

namespace orv {

namespace {

constexpr int kSchemaVersion = 3;

constexpr const char* kSchema =
    "CREATE TABLE subscribers("
    " number TEXT PRIMARY KEY NOT NULL,"
    " digest TEXT NOT NULL,"
    " state INTEGER NOT NULL DEFAULT 1,"
    " wrong_passwords INTEGER NOT NULL DEFAULT 0,"
    " custom_id INTEGER NOT NULL DEFAULT 0,"
    " custom_name TEXT NOT NULL DEFAULT '',"
    " bms_url TEXT NOT NULL DEFAULT '');"
    "PRAGMA user_version = 1;";

// Version 2: friends, call forwarding, offline calls, support entries and the bind option.
// Rows of a subscriber go with the subscriber.
constexpr const char* kSchemaUpgrade2 =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE friends("
    " record_id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " owner TEXT NOT NULL REFERENCES subscribers(number) ON DELETE CASCADE,"
    " name TEXT NOT NULL, phone TEXT NOT NULL, mobile TEXT NOT NULL, net_phone TEXT NOT NULL,"
    " email TEXT NOT NULL, grp TEXT NOT NULL);"
    "CREATE INDEX friends_by_owner ON friends(owner);"
    "CREATE INDEX friends_by_net_phone ON friends(net_phone);"
    "CREATE TABLE forwarding("
    " number TEXT PRIMARY KEY NOT NULL REFERENCES subscribers(number) ON DELETE CASCADE,"
    " flag INTEGER NOT NULL, offline TEXT NOT NULL, busy TEXT NOT NULL, no_answer TEXT NOT NULL,"
    " always TEXT NOT NULL);"
    "CREATE TABLE offline_calls("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " called TEXT NOT NULL REFERENCES subscribers(number) ON DELETE CASCADE,"
    " caller TEXT NOT NULL, time INTEGER NOT NULL, kind INTEGER NOT NULL);"
    "CREATE INDEX offline_calls_by_called ON offline_calls(called);"
    "CREATE TABLE support(position INTEGER PRIMARY KEY, number TEXT NOT NULL, text TEXT NOT NULL);"
    "ALTER TABLE subscribers ADD COLUMN bind_option TEXT NOT NULL DEFAULT '0';"
    "PRAGMA user_version = 2;"
    "COMMIT;";

// Version 3: the bind value of the handset a subscriber bound the account to.
constexpr const char* kSchemaUpgrade3 =
    "BEGIN IMMEDIATE;"
    "ALTER TABLE subscribers ADD COLUMN bind_value TEXT NOT NULL DEFAULT '';"
    "PRAGMA user_version = 3;"
    "COMMIT;";

constexpr const char* kSelectColumns =
    "SELECT number, digest, state, wrong_passwords, custom_id, custom_name, bms_url, bind_option, bind_value"
    " FROM subscribers";

// Reads a row of kSelectColumns; values from the file are taken as hostile text.
Subscriber ReadRow(Statement& st) {
    Subscriber s;
    s.number = st.Text(0);
    s.digest = st.Text(1);
    s.state = st.Int(2) == 0 ? SubscriberState::Inactive : SubscriberState::Active;
    const long long wrong = st.Int(3);
    s.wrongPasswords = wrong < 0 ? 0 : (wrong > kWrongPasswordLimit ? kWrongPasswordLimit : static_cast<int>(wrong));
    s.custom.id = static_cast<std::uint32_t>(st.Int(4));
    s.custom.name = st.Text(5);
    s.custom.url = st.Text(6);
    const std::string option = st.Text(7);
    s.bindOption = option == "1" ? '1' : '0'; // a damaged value does not lock anyone out
    s.bindValue = st.Text(8);
    return s;
}

} // namespace

bool IsValidNumber(const std::string& number) {
    if (number.empty() || number.size() >= kNumberField) return false;
    for (unsigned char c : number) {
        if (!std::isalnum(c) && c != '_' && c != '.' && c != '-') return false;
    }
    return true;
}

bool IsValidPassword(const std::string& password) {
    if (password.empty() || password.size() > 64) return false;
    for (unsigned char c : password) {
        if (c < 0x21 || c > 0x7E) return false;
    }
    return true;
}

bool IsValidDigest(const std::string& digest) {
    if (digest.size() != kPasswordDigestLength) return false;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const char c = digest[i];
        const bool ok = i % 9 == 8 ? c == '-' : (std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'));
        if (!ok) return false;
    }
    return true;
}

const char* StateName(SubscriberState state) { return state == SubscriberState::Active ? "active" : "inactive"; }

bool ParseStateName(const std::string& text, SubscriberState* state) {
    if (text == "active") {
        *state = SubscriberState::Active;
    } else if (text == "inactive") {
        *state = SubscriberState::Inactive;
    } else {
        return false;
    }
    return true;
}

std::unique_ptr<SubscriberDb> SubscriberDb::Open(const std::string& path, std::string* error, bool* created) {
    bool existed = false;
    sqlite3* raw = OpenDatabaseFile(path, &existed, error);
    if (raw == nullptr) return nullptr;
    std::unique_ptr<SubscriberDb> db(new SubscriberDb(raw));
    // Admin commands may run while the server has the file open.
    sqlite3_busy_timeout(raw, 5000);

    Statement version(raw, "PRAGMA user_version");
    if (!version.Prepared() || version.Step() != SQLITE_ROW) {
        *error = path + " is not a subscriber database: " + sqlite3_errmsg(raw);
        return nullptr;
    }
    if (existed && !CheckOpenedDatabase(raw, path, error)) return nullptr;
    const long long found = version.Int(0);
    if (found == 0) {
        // Only a file made just now is given the schema; an existing one without it is
        // someone else's (or what is left of ours).
        if (existed) {
            *error = path + " is not a subscriber database";
            return nullptr;
        }
        if (!db->Exec(kSchema)) {
            *error = "cannot create " + path + ": " + db->LastError();
            return nullptr;
        }
    } else if (found > kSchemaVersion || found < 0) {
        *error = path + " has schema version " + std::to_string(found) + ", this server knows " +
                 std::to_string(kSchemaVersion);
        return nullptr;
    }
    if ((found < 2 && !db->Exec(kSchemaUpgrade2)) || (found < 3 && !db->Exec(kSchemaUpgrade3))) {
        *error = "cannot upgrade " + path + ": " + db->LastError();
        db->Exec("ROLLBACK");
        return nullptr;
    }
    db->Exec("PRAGMA foreign_keys=ON;");
    // Only now that the file is known to be ours: a write-ahead log with normal syncing, so a
    // power loss may lose the latest changes but never damages the file, and counting a
    // wrong password does not wait for the disk.
    db->Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    if (created != nullptr) *created = !existed;
    return db;
}

SubscriberDb::~SubscriberDb() { sqlite3_close(m_db); }

bool SubscriberDb::Fail(const std::string& what) {
    m_error = what;
    return false;
}

bool SubscriberDb::Exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        Fail(message != nullptr ? message : "database error");
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool SubscriberDb::Change(const char* sql, std::initializer_list<SqlValue> values, bool mustChangeOne) {
    m_error.clear();
    Statement st(m_db, sql);
    if (!st.Prepared()) return Fail(sqlite3_errmsg(m_db));
    int index = 1;
    for (const SqlValue& v : values) {
        if (const auto* text = std::get_if<std::string>(&v)) {
            st.Bind(index++, *text);
        } else {
            st.Bind(index++, std::get<long long>(v));
        }
    }
    if (st.Step() != SQLITE_DONE) return Fail(sqlite3_errmsg(m_db));
    if (mustChangeOne && sqlite3_changes(m_db) != 1) return Fail("no such number");
    return true;
}

bool SubscriberDb::Add(const std::string& number, const std::string& password) {
    if (!IsValidNumber(number)) return Fail("invalid number");
    if (!IsValidPassword(password)) return Fail("invalid password");
    Subscriber existing;
    if (Find(number, &existing)) return Fail("number exists already");
    if (!m_error.empty()) return false;
    return Change("INSERT INTO subscribers(number, digest) VALUES(?, ?)",
                  {number, PasswordDigest(number, password)});
}

bool SubscriberDb::Remove(const std::string& number) {
    return Change("DELETE FROM subscribers WHERE number = ?", {number});
}

bool SubscriberDb::SetState(const std::string& number, SubscriberState state) {
    if (state == SubscriberState::Active) {
        return Change("UPDATE subscribers SET state = 1, wrong_passwords = 0 WHERE number = ?", {number});
    }
    return Change("UPDATE subscribers SET state = 0 WHERE number = ?", {number});
}

bool SubscriberDb::SetCustomInfo(const std::string& number, const CustomInfo& info) {
    return Change("UPDATE subscribers SET custom_id = ?, custom_name = ?, bms_url = ? WHERE number = ?",
                  {static_cast<long long>(info.id), info.name, info.url, number});
}

bool SubscriberDb::SetPassword(const std::string& number, const std::string& password) {
    if (!IsValidPassword(password)) return Fail("invalid password");
    return Change("UPDATE subscribers SET digest = ?, wrong_passwords = 0 WHERE number = ?",
                  {PasswordDigest(number, password), number});
}

bool SubscriberDb::SetDigest(const std::string& number, const std::string& digest) {
    if (!IsValidDigest(digest)) return Fail("invalid password digest");
    return Change("UPDATE subscribers SET digest = ?, wrong_passwords = 0 WHERE number = ?", {digest, number});
}

bool SubscriberDb::Find(const std::string& number, Subscriber* subscriber) {
    m_error.clear();
    const std::string sql = std::string(kSelectColumns) + " WHERE number = ?";
    Statement st(m_db, sql.c_str());
    if (!st.Prepared()) return Fail(sqlite3_errmsg(m_db));
    st.Bind(1, number);
    const int rc = st.Step();
    if (rc == SQLITE_ROW) {
        *subscriber = ReadRow(st);
        return true;
    }
    if (rc != SQLITE_DONE) Fail(sqlite3_errmsg(m_db));
    return false;
}

bool SubscriberDb::List(std::vector<Subscriber>* subscribers) {
    m_error.clear();
    subscribers->clear();
    const std::string sql = std::string(kSelectColumns) + " ORDER BY number";
    Statement st(m_db, sql.c_str());
    if (!st.Prepared()) return Fail(sqlite3_errmsg(m_db));
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) subscribers->push_back(ReadRow(st));
    return rc == SQLITE_DONE || Fail(sqlite3_errmsg(m_db));
}

int SubscriberDb::RecordWrongPassword(const std::string& number) {
    if (!Change("UPDATE subscribers SET wrong_passwords = min(wrong_passwords + 1, ?) WHERE number = ?",
                {static_cast<long long>(kWrongPasswordLimit), number})) {
        return -1;
    }
    Subscriber s;
    return Find(number, &s) ? s.wrongPasswords : -1;
}

bool SubscriberDb::ResetWrongPasswords(const std::string& number) {
    return Change("UPDATE subscribers SET wrong_passwords = 0 WHERE number = ? AND wrong_passwords != 0", {number},
                  false);
}

} // namespace orv
