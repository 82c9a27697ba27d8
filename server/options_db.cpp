#include "server/options_db.h"

#include "server/sql_statement.h"
#include "server/subscriber_db.h"

namespace orv {

bool HasHandsetBindValue(const std::string& bindInfo) {
    return !bindInfo.empty() && bindInfo.find_first_not_of('0') != std::string::npos;
}

bool IsValidBindOption(char option) { return option == kBindOptionNone || option == kBindOptionHandset; }

OptionsDb::OptionsDb(SubscriberDb& db) : m_db(db.Handle()) {}

bool OptionsDb::Fail(const std::string& what) {
    m_error = what;
    return false;
}

bool OptionsDb::FailSql() {
    // The friend list loader shares the connection: copy its error text under its lock.
    sqlite3_mutex_enter(sqlite3_db_mutex(m_db));
    m_error = sqlite3_errmsg(m_db);
    sqlite3_mutex_leave(sqlite3_db_mutex(m_db));
    return false;
}

bool OptionsDb::GetForward(const std::string& number, ForwardSettings* settings) {
    m_error.clear();
    Statement st(m_db, "SELECT flag, offline, busy, no_answer, always FROM forwarding WHERE number = ?");
    if (!st.Prepared()) return FailSql();
    st.Bind(1, number);
    *settings = ForwardSettings{};
    const int rc = st.Step();
    if (rc == SQLITE_DONE) return true;
    if (rc != SQLITE_ROW) return FailSql();
    settings->offline = st.Text(1);
    settings->busy = st.Text(2);
    settings->noAnswer = st.Text(3);
    settings->always = st.Text(4);
    settings->enabled = st.Int(0) != 0 && !settings->AllEmpty();
    return true;
}

bool OptionsDb::SetForward(const std::string& number, const ForwardSettings& settings) {
    m_error.clear();
    Statement st(m_db,
                 "INSERT OR REPLACE INTO forwarding(number, flag, offline, busy, no_answer, always)"
                 " VALUES(?, ?, ?, ?, ?, ?)");
    if (!st.Prepared()) return FailSql();
    const long long flag = settings.enabled && !settings.AllEmpty() ? 1 : 0;
    st.BindAll({number, flag, settings.offline, settings.busy, settings.noAnswer, settings.always});
    return st.Step() == SQLITE_DONE || FailSql();
}

bool OptionsDb::AddOfflineCall(const OfflineCall& call) {
    m_error.clear();
    Transaction transaction(m_db);
    if (!transaction.Begun()) return FailSql();
    {
        Statement add(m_db, "INSERT INTO offline_calls(called, caller, time, kind) VALUES(?, ?, ?, ?)");
        if (!add.Prepared()) return FailSql();
        add.BindAll({call.called, call.caller, static_cast<long long>(call.time), static_cast<long long>(call.kind)});
        if (add.Step() != SQLITE_DONE) return FailSql();
        Statement trim(m_db,
                       "DELETE FROM offline_calls WHERE called = ?1 AND id NOT IN"
                       " (SELECT id FROM offline_calls WHERE called = ?1 ORDER BY id DESC LIMIT ?2)");
        if (!trim.Prepared()) return FailSql();
        trim.BindAll({call.called, static_cast<long long>(kMaxOfflineCalls)});
        if (trim.Step() != SQLITE_DONE) return FailSql();
    }
    return transaction.Commit() || FailSql();
}

bool OptionsDb::PeekOfflineCalls(const std::string& called, std::vector<OfflineCall>* calls) {
    m_error.clear();
    calls->clear();
    Statement st(m_db, "SELECT caller, time, kind FROM offline_calls WHERE called = ? ORDER BY id LIMIT ?");
    if (!st.Prepared()) return FailSql();
    st.BindAll({called, static_cast<long long>(kMaxOfflineCalls)});
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) {
        OfflineCall call;
        call.caller = st.Text(0);
        call.called = called;
        call.time = static_cast<std::uint32_t>(st.Int(1));
        call.kind = static_cast<std::uint8_t>(st.Int(2));
        calls->push_back(call);
    }
    return rc == SQLITE_DONE || FailSql();
}

bool OptionsDb::TakeOfflineCalls(const std::string& called, std::vector<OfflineCall>* calls) {
    m_error.clear();
    Transaction transaction(m_db);
    if (!transaction.Begun()) return FailSql();
    if (!PeekOfflineCalls(called, calls)) return false;
    {
        Statement st(m_db, "DELETE FROM offline_calls WHERE called = ?");
        if (!st.Prepared()) return FailSql();
        st.Bind(1, called);
        if (st.Step() != SQLITE_DONE) return FailSql();
    }
    if (transaction.Commit()) return true;
    calls->clear();
    return FailSql();
}

bool OptionsDb::GetBindOption(const std::string& number, char* option) {
    m_error.clear();
    Statement st(m_db, "SELECT bind_option FROM subscribers WHERE number = ?");
    if (!st.Prepared()) return FailSql();
    st.Bind(1, number);
    const int rc = st.Step();
    if (rc == SQLITE_DONE) return Fail("no such number");
    if (rc != SQLITE_ROW) return FailSql();
    const std::string text = st.Text(0);
    // A damaged value reads as "not bound" rather than locking the subscriber out.
    *option = text.size() == 1 && IsValidBindOption(text[0]) ? text[0] : kBindOptionNone;
    return true;
}

bool OptionsDb::SetBindOption(const std::string& number, char option, const std::string& bindValue) {
    m_error.clear();
    if (!IsValidBindOption(option)) return Fail("invalid bind option");
    Statement st(m_db, "UPDATE subscribers SET bind_option = ?, bind_value = ? WHERE number = ?");
    if (!st.Prepared()) return FailSql();
    st.BindAll({std::string(1, option), option == kBindOptionHandset ? bindValue : std::string(), number});
    if (st.Step() != SQLITE_DONE) return FailSql();
    return sqlite3_changes(m_db) == 1 || Fail("no such number");
}

bool OptionsDb::GetSupport(std::vector<SupportEntry>* entries) {
    m_error.clear();
    entries->clear();
    Statement st(m_db, "SELECT number, text FROM support ORDER BY position LIMIT ?");
    if (!st.Prepared()) return FailSql();
    st.Bind(1, static_cast<long long>(kMaxSupportEntries));
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) entries->push_back({st.Text(0), st.Text(1)});
    return rc == SQLITE_DONE || FailSql();
}

bool OptionsDb::SetSupport(const std::vector<SupportEntry>& entries) {
    m_error.clear();
    if (entries.size() > kMaxSupportEntries) return Fail("too many support entries");
    Transaction transaction(m_db);
    if (!transaction.Begun()) return FailSql();
    if (sqlite3_exec(m_db, "DELETE FROM support", nullptr, nullptr, nullptr) != SQLITE_OK) return FailSql();
    long long position = 0;
    for (const SupportEntry& e : entries) {
        Statement st(m_db, "INSERT INTO support(position, number, text) VALUES(?, ?, ?)");
        if (!st.Prepared()) return FailSql();
        st.BindAll({position++, e.number, e.text});
        if (st.Step() != SQLITE_DONE) return FailSql();
    }
    return transaction.Commit() || FailSql();
}

} // namespace orv
