#include "server/friend_db.h"

#include "server/sql_statement.h"
#include "server/subscriber_db.h"

namespace orv {

namespace {

constexpr const char* kColumns = "record_id, owner, name, phone, mobile, net_phone, email, grp";

FriendRow ReadRow(Statement& st) {
    FriendRow row;
    row.recordId = static_cast<std::uint32_t>(st.Int(0));
    row.owner = st.Text(1);
    row.name = st.Text(2);
    row.phone = st.Text(3);
    row.mobile = st.Text(4);
    row.netPhone = st.Text(5);
    row.email = st.Text(6);
    row.group = st.Text(7);
    return row;
}

} // namespace

FriendDb::FriendDb(SubscriberDb& db) : m_db(db.Handle()) {}

bool FriendDb::FailSql() {
    // The friend list loader shares the connection: copy its error text under its lock.
    sqlite3_mutex_enter(sqlite3_db_mutex(m_db));
    m_error = sqlite3_errmsg(m_db);
    sqlite3_mutex_leave(sqlite3_db_mutex(m_db));
    return false;
}

bool FriendDb::List(const std::string& owner, std::vector<FriendRow>* rows) {
    m_error.clear();
    rows->clear();
    const std::string sql = std::string("SELECT ") + kColumns + " FROM friends WHERE owner = ? ORDER BY record_id LIMIT ?";
    Statement st(m_db, sql.c_str());
    if (!st.Prepared()) return FailSql();
    st.BindAll({owner, static_cast<long long>(kMaxFriends)});
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) rows->push_back(ReadRow(st));
    return rc == SQLITE_DONE || FailSql();
}

bool FriendDb::Find(const std::string& owner, std::uint32_t recordId, FriendRow* row) {
    m_error.clear();
    const std::string sql = std::string("SELECT ") + kColumns + " FROM friends WHERE owner = ? AND record_id = ?";
    Statement st(m_db, sql.c_str());
    if (!st.Prepared()) return FailSql();
    st.BindAll({owner, static_cast<long long>(recordId)});
    const int rc = st.Step();
    if (rc == SQLITE_ROW) {
        *row = ReadRow(st);
        return true;
    }
    return rc == SQLITE_DONE ? false : FailSql();
}

bool FriendDb::Store(FriendRow* row, bool* full) {
    m_error.clear();
    *full = false;
    if (row->recordId != 0) {
        Statement st(m_db,
                     "UPDATE friends SET name = ?, phone = ?, mobile = ?, net_phone = ?, email = ?, grp = ?"
                     " WHERE owner = ? AND record_id = ?");
        if (!st.Prepared()) return FailSql();
        st.BindAll({row->name, row->phone, row->mobile, row->netPhone, row->email, row->group, row->owner,
                    static_cast<long long>(row->recordId)});
        if (st.Step() != SQLITE_DONE) return FailSql();
        return sqlite3_changes(m_db) == 1;
    }
    // The count and the insert in one statement, so the limit holds whoever else writes.
    Statement st(m_db,
                 "INSERT INTO friends(owner, name, phone, mobile, net_phone, email, grp)"
                 " SELECT ?1, ?2, ?3, ?4, ?5, ?6, ?7 WHERE (SELECT count(*) FROM friends WHERE owner = ?1) < ?8");
    if (!st.Prepared()) return FailSql();
    st.BindAll({row->owner, row->name, row->phone, row->mobile, row->netPhone, row->email, row->group,
                static_cast<long long>(kMaxFriends)});
    if (st.Step() != SQLITE_DONE) return FailSql();
    if (sqlite3_changes(m_db) != 1) {
        *full = true;
        return false;
    }
    const sqlite3_int64 id = sqlite3_last_insert_rowid(m_db);
    if (id <= 0 || id > 0xFFFFFFFFLL) {
        // Identifiers ran out of the 32 bits the wire carries: take the record back.
        Statement undo(m_db, "DELETE FROM friends WHERE record_id = ?");
        undo.Bind(1, static_cast<long long>(id));
        if (undo.Prepared()) undo.Step();
        m_error = "record identifiers exhausted";
        return false;
    }
    row->recordId = static_cast<std::uint32_t>(id);
    return true;
}

bool FriendDb::Remove(const std::string& owner, std::uint32_t recordId) {
    m_error.clear();
    Statement st(m_db, "DELETE FROM friends WHERE owner = ? AND record_id = ?");
    if (!st.Prepared()) return FailSql();
    st.BindAll({owner, static_cast<long long>(recordId)});
    if (st.Step() != SQLITE_DONE) return FailSql();
    return sqlite3_changes(m_db) == 1;
}

bool FriendDb::HoldersOf(const std::string& netPhone,
                         std::vector<std::pair<std::string, std::uint32_t>>* holders) {
    m_error.clear();
    holders->clear();
    Statement st(m_db, "SELECT owner, record_id FROM friends WHERE net_phone = ? ORDER BY record_id");
    if (!st.Prepared()) return FailSql();
    st.Bind(1, netPhone);
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) holders->emplace_back(st.Text(0), static_cast<std::uint32_t>(st.Int(1)));
    return rc == SQLITE_DONE || FailSql();
}

} // namespace orv
