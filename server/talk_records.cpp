#include "server/talk_records.h"

#include "server/db_file_checks.h"
#include "server/server_log.h"

#include <sqlite3.h>

#include <ctime>

namespace orv {

namespace {

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS talk_calls ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " call_id INTEGER NOT NULL DEFAULT 0,"
    " caller TEXT NOT NULL, called TEXT NOT NULL, original TEXT NOT NULL DEFAULT '',"
    " requested INTEGER NOT NULL, answered INTEGER NOT NULL DEFAULT 0, ended INTEGER NOT NULL DEFAULT 0,"
    " result TEXT NOT NULL DEFAULT '', reason INTEGER NOT NULL DEFAULT 0,"
    " ended_by TEXT NOT NULL DEFAULT '', digits TEXT NOT NULL DEFAULT '')";

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

} // namespace

std::unique_ptr<TalkRecords> TalkRecords::Open(const std::string& path, std::string* error) {
    bool existed = false;
    sqlite3* db = OpenDatabaseFile(path, &existed, error);
    if (db == nullptr) return nullptr;
    std::unique_ptr<TalkRecords> records(new TalkRecords(db));
    sqlite3_busy_timeout(db, 2000);
    if (existed && !CheckOpenedDatabase(db, path, error)) return nullptr;
    // Records are written on the server's one thread, between signalling messages: the
    // write-ahead log without a sync per change keeps that short, and loses at most the
    // latest changes if the machine (not the program) fails.
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, kSchema, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const std::string reason = message != nullptr ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        const int primary = rc & 0xFF;
        *error = primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT
                     ? path + " is not a call record database: " + reason
                     : "cannot write " + path + ": " + reason;
        return nullptr;
    }
    return records;
}

TalkRecords::~TalkRecords() { sqlite3_close(m_db); }

std::int64_t TalkRecords::Run(const char* sql, std::initializer_list<Value> values) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        m_error = sqlite3_errmsg(m_db);
        ServerLog("call record: %s", m_error.c_str());
        return 0;
    }
    int index = 1;
    for (const Value& v : values) {
        if (const auto* text = std::get_if<std::string>(&v)) {
            sqlite3_bind_text(stmt, index++, text->c_str(), static_cast<int>(text->size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_int64(stmt, index++, std::get<std::int64_t>(v));
        }
    }
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        m_error = sqlite3_errmsg(m_db);
        ServerLog("call record: %s", m_error.c_str());
        return 0;
    }
    m_error.clear();
    return sqlite3_strnicmp(sql, "INSERT", 6) == 0 ? sqlite3_last_insert_rowid(m_db) : 1;
}

std::int64_t TalkRecords::Begin(std::uint32_t callId, const std::string& caller, const std::string& called) {
    return Run("INSERT INTO talk_calls (call_id, caller, called, requested) VALUES (?, ?, ?, ?)",
               {std::int64_t{callId}, caller, called, Now()});
}

std::int64_t TalkRecords::Refused(const std::string& caller, const std::string& called, const std::string& result,
                                  std::int32_t reason) {
    const std::int64_t now = Now();
    return Run("INSERT INTO talk_calls (caller, called, requested, ended, result, reason, ended_by)"
               " VALUES (?, ?, ?, ?, ?, ?, 'server')",
               {caller, called, now, now, result, std::int64_t{reason}});
}

bool TalkRecords::Answered(std::int64_t id) {
    return Run("UPDATE talk_calls SET answered = ? WHERE id = ? AND answered = 0", {Now(), id}) != 0;
}

bool TalkRecords::Forwarded(std::int64_t id, const std::string& newCalled, const std::string& original) {
    return Run("UPDATE talk_calls SET called = ?, original = ? WHERE id = ?", {newCalled, original, id}) != 0;
}

bool TalkRecords::AddDigits(std::int64_t id, const std::string& digits) {
    return Run("UPDATE talk_calls SET digits = digits || ? WHERE id = ?", {digits, id}) != 0;
}

bool TalkRecords::End(std::int64_t id, const std::string& result, std::uint32_t reason, const std::string& endedBy) {
    return Run("UPDATE talk_calls SET ended = ?, result = ?, reason = ?, ended_by = ? WHERE id = ? AND ended = 0",
               {Now(), result, std::int64_t{reason}, endedBy, id}) != 0;
}

std::vector<TalkRecord> TalkRecords::Latest(std::size_t count) {
    std::vector<TalkRecord> records;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db,
                           "SELECT id, call_id, caller, called, original, requested, answered, ended, result,"
                           " reason, ended_by, digits FROM talk_calls ORDER BY id DESC LIMIT ?",
                           -1, &stmt, nullptr) != SQLITE_OK) {
        m_error = sqlite3_errmsg(m_db);
        return records;
    }
    sqlite3_bind_int64(stmt, 1, static_cast<sqlite3_int64>(count));
    auto text = [stmt](int column) {
        const unsigned char* p = sqlite3_column_text(stmt, column);
        return p == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(p));
    };
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        TalkRecord r;
        r.id = sqlite3_column_int64(stmt, 0);
        r.callId = static_cast<std::uint32_t>(sqlite3_column_int64(stmt, 1));
        r.caller = text(2);
        r.called = text(3);
        r.original = text(4);
        r.requested = sqlite3_column_int64(stmt, 5);
        r.answered = sqlite3_column_int64(stmt, 6);
        r.ended = sqlite3_column_int64(stmt, 7);
        r.result = text(8);
        r.reason = sqlite3_column_int64(stmt, 9);
        r.endedBy = text(10);
        r.digits = text(11);
        records.push_back(std::move(r));
    }
    sqlite3_finalize(stmt);
    return records;
}

} // namespace orv
