#include "server/account_db.h"

#include "server/sql_statement.h"
#include "server/subscriber_db.h"
#include "wire/password_digest.h"

#include <cctype>

namespace orv {

namespace {

constexpr std::size_t kLongestCardField = 31;

constexpr const char* kTables =
    "CREATE TABLE IF NOT EXISTS account_balances("
    " number TEXT PRIMARY KEY NOT NULL REFERENCES subscribers(number) ON DELETE CASCADE,"
    " balance INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS refill_cards("
    " card TEXT PRIMARY KEY NOT NULL, digest TEXT NOT NULL, value INTEGER NOT NULL,"
    " used_by TEXT NOT NULL DEFAULT '', used_at INTEGER NOT NULL DEFAULT 0);";

// The card password is kept as a digest salted with the card number, like a logon password.
std::string CardDigest(const std::string& card, const std::string& password) { return PasswordDigest(card, password); }

} // namespace

bool IsValidCardNumber(const std::string& card) {
    if (card.empty() || card.size() > kLongestCardField) return false;
    for (unsigned char c : card) {
        if (!std::isdigit(c) && c != '*') return false;
    }
    return true;
}

bool IsValidCardPassword(const std::string& password) {
    if (password.empty() || password.size() > kLongestCardField) return false;
    for (unsigned char c : password) {
        if (c < 0x21 || c > 0x7E) return false;
    }
    return true;
}

AccountDb::AccountDb(SubscriberDb& db) : m_db(db.Handle()) {}

bool AccountDb::FailSql() {
    sqlite3_mutex_enter(sqlite3_db_mutex(m_db));
    m_error = sqlite3_errmsg(m_db);
    sqlite3_mutex_leave(sqlite3_db_mutex(m_db));
    return false;
}

bool AccountDb::Prepare() {
    m_error.clear();
    return sqlite3_exec(m_db, kTables, nullptr, nullptr, nullptr) == SQLITE_OK || FailSql();
}

bool AccountDb::GetBalance(const std::string& number, long long* hundredths) {
    m_error.clear();
    Statement st(m_db, "SELECT balance FROM account_balances WHERE number = ?");
    if (!st.Prepared()) return FailSql();
    st.Bind(1, number);
    const int rc = st.Step();
    *hundredths = 0;
    if (rc == SQLITE_DONE) return true;
    if (rc != SQLITE_ROW) return FailSql();
    // A value from the file is clamped into what the answer can carry.
    const long long value = st.Int(0);
    *hundredths = value < 0 ? 0 : (value > kMaxBalance ? kMaxBalance : value);
    return true;
}

bool AccountDb::SetBalance(const std::string& number, long long hundredths) {
    m_error.clear();
    if (hundredths < 0 || hundredths > kMaxBalance) {
        m_error = "a balance is 0.." + std::to_string(kMaxBalance) + " hundredths";
        return false;
    }
    Statement st(m_db, "INSERT OR REPLACE INTO account_balances(number, balance) VALUES(?, ?)");
    if (!st.Prepared()) return FailSql();
    st.BindAll({number, hundredths});
    return st.Step() == SQLITE_DONE || FailSql();
}

bool AccountDb::AddCard(const std::string& card, const std::string& password, long long value) {
    m_error.clear();
    if (!IsValidCardNumber(card) || !IsValidCardPassword(password)) {
        m_error = "a card number is 1..31 digits or '*', a card password 1..31 printable characters";
        return false;
    }
    if (value <= 0 || value > kMaxBalance) {
        m_error = "a card value is 1.." + std::to_string(kMaxBalance) + " hundredths";
        return false;
    }
    Statement st(m_db,
                 "INSERT INTO refill_cards(card, digest, value) VALUES(?, ?, ?)"
                 " ON CONFLICT(card) DO UPDATE SET digest = excluded.digest, value = excluded.value"
                 " WHERE used_by = ''");
    if (!st.Prepared()) return FailSql();
    st.BindAll({card, CardDigest(card, password), value});
    if (st.Step() != SQLITE_DONE) return FailSql();
    if (sqlite3_changes(m_db) == 0) {
        m_error = "card " + card + " is used already";
        return false;
    }
    return true;
}

bool AccountDb::ListCards(std::vector<RefillCard>* cards) {
    m_error.clear();
    cards->clear();
    Statement st(m_db, "SELECT card, value, used_by, used_at FROM refill_cards ORDER BY card");
    if (!st.Prepared()) return FailSql();
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) cards->push_back({st.Text(0), st.Int(1), st.Text(2), st.Int(3)});
    return rc == SQLITE_DONE || FailSql();
}

RefillOutcome AccountDb::Refill(const std::string& number, const std::string& card, const std::string& password,
                                long long now, long long* balance) {
    m_error.clear();
    Transaction transaction(m_db);
    if (!transaction.Begun()) return FailSql(), RefillOutcome::Failed;
    std::string digest, usedBy;
    long long value = 0;
    {
        Statement st(m_db, "SELECT digest, value, used_by FROM refill_cards WHERE card = ?");
        if (!st.Prepared()) return FailSql(), RefillOutcome::Failed;
        st.Bind(1, card);
        const int rc = st.Step();
        if (rc == SQLITE_DONE) return RefillOutcome::NoSuchCard;
        if (rc != SQLITE_ROW) return FailSql(), RefillOutcome::Failed;
        digest = st.Text(0);
        value = st.Int(1);
        usedBy = st.Text(2);
    }
    // A used card is gone: it is answered as one that does not exist, whatever the password.
    if (!usedBy.empty()) return RefillOutcome::NoSuchCard;
    if (digest != CardDigest(card, password)) return RefillOutcome::WrongPassword;
    long long current = 0;
    if (!GetBalance(number, &current)) return RefillOutcome::Failed;
    if (value <= 0 || value > kMaxBalance - current) return RefillOutcome::Overflow;
    {
        Statement st(m_db, "UPDATE refill_cards SET used_by = ?, used_at = ? WHERE card = ? AND used_by = ''");
        if (!st.Prepared()) return FailSql(), RefillOutcome::Failed;
        st.BindAll({number, now, card});
        if (st.Step() != SQLITE_DONE) return FailSql(), RefillOutcome::Failed;
    }
    if (!SetBalance(number, current + value)) return RefillOutcome::Failed;
    if (!transaction.Commit()) return FailSql(), RefillOutcome::Failed;
    *balance = current + value;
    return RefillOutcome::Done;
}

} // namespace orv
