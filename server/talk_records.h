// The talk server's own call records, in an SQLite file of their own ("orvcalls.db" in the
// home folder): one row per talk request, made when the request is answered (also when it is
// refused) and completed as the call is answered, forwarded, sent digits and ends. A record
// that cannot be written is logged; the call goes on.
#pragma once

#include <cstdint>
#include <memory>
#include <initializer_list>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;

namespace orv {

constexpr const char* kCallRecordDbName = "orvcalls.db";

struct TalkRecord {
    std::int64_t id = 0;
    std::uint32_t callId = 0;
    std::string caller;
    std::string called;
    std::string original; // the number first dialled when the call was forwarded
    std::int64_t requested = 0; // seconds since 1970 (UTC)
    std::int64_t answered = 0;  // 0 when never answered
    std::int64_t ended = 0;     // 0 while it runs
    std::string result;         // "answered", "refused", "no-answer", "busy", "offline", ...
    std::int64_t reason = 0;
    std::string endedBy;
    std::string digits;
};

class TalkRecords {
public:
    static std::unique_ptr<TalkRecords> Open(const std::string& path, std::string* error);
    ~TalkRecords();
    TalkRecords(const TalkRecords&) = delete;
    TalkRecords& operator=(const TalkRecords&) = delete;

    // A new record; returns its id, 0 on failure.
    std::int64_t Begin(std::uint32_t callId, const std::string& caller, const std::string& called);
    // A request refused at once: the record is complete when made.
    std::int64_t Refused(const std::string& caller, const std::string& called, const std::string& result,
                         std::int32_t reason);
    bool Answered(std::int64_t id);
    bool Forwarded(std::int64_t id, const std::string& newCalled, const std::string& original);
    bool AddDigits(std::int64_t id, const std::string& digits);
    bool End(std::int64_t id, const std::string& result, std::uint32_t reason, const std::string& endedBy);

    // The latest records, newest first.
    std::vector<TalkRecord> Latest(std::size_t count);
    const std::string& LastError() const { return m_error; }

private:
    explicit TalkRecords(sqlite3* db) : m_db(db) {}
    using Value = std::variant<std::string, std::int64_t>;
    // Runs one statement with its parameters in order; the id of the row it inserted, 1 for
    // another statement, 0 on failure (logged).
    std::int64_t Run(const char* sql, std::initializer_list<Value> values);
    sqlite3* m_db;
    std::string m_error;
};

} // namespace orv
