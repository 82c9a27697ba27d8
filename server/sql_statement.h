// One prepared SQLite statement, finalised on every path, for the server's database classes
// (which share one connection). Values read back are taken as hostile text.
#pragma once

#include <sqlite3.h>

#include <initializer_list>
#include <string>
#include <variant>

namespace orv {

using SqlValue = std::variant<std::string, long long>;

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Prepared() const { return m_rc == SQLITE_OK && m_stmt != nullptr; }
    void Bind(int index, const std::string& text) {
        sqlite3_bind_text(m_stmt, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    void Bind(int index, long long value) { sqlite3_bind_int64(m_stmt, index, value); }
    // Binds the values to the parameters 1, 2, ... in order.
    void BindAll(std::initializer_list<SqlValue> values) {
        int index = 1;
        for (const SqlValue& v : values) {
            if (const auto* text = std::get_if<std::string>(&v)) {
                Bind(index++, *text);
            } else {
                Bind(index++, std::get<long long>(v));
            }
        }
    }
    int Step() { return sqlite3_step(m_stmt); }
    // Ready to run again with new values.
    void Reset() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    std::string Text(int column) {
        const unsigned char* p = sqlite3_column_text(m_stmt, column);
        return p == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(p));
    }
    long long Int(int column) { return sqlite3_column_int64(m_stmt, column); }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc;
};

// One transaction: rolled back unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : m_db(db) {
        m_open = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~Transaction() {
        if (m_open) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool Begun() const { return m_open; }
    bool Commit() {
        if (!m_open || sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
        m_open = false;
        return true;
    }

private:
    sqlite3* m_db;
    bool m_open;
};

} // namespace orv
