// The prepaid accounts in the subscriber database: each subscriber's balance in hundredths
// and the refill cards (number, password digest, value, and who used it when). Shares
// SubscriberDb's connection; the two tables are made on first use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace orv {

class SubscriberDb;

// A balance or card value never exceeds what the answer's signed 32-bit field shows.
constexpr long long kMaxBalance = 2147483647;

struct RefillCard {
    std::string card;
    long long value = 0;   // hundredths
    std::string usedBy;    // empty while unused
    long long usedAt = 0;  // seconds since 1970-01-01 UTC
};

// The outcome of a refill; a reason of the account answer when not Done.
enum class RefillOutcome { Done, NoSuchCard, WrongPassword, Overflow, Failed };

// Card numbers and card passwords as the client's dialog lets them through: 1 to 31
// characters, card numbers of digits and '*', passwords printable.
bool IsValidCardNumber(const std::string& card);
bool IsValidCardPassword(const std::string& password);

class AccountDb {
public:
    explicit AccountDb(SubscriberDb& db);

    // Makes the tables when missing; false with LastError().
    bool Prepare();
    // A subscriber never given a balance has 0.
    bool GetBalance(const std::string& number, long long* hundredths);
    bool SetBalance(const std::string& number, long long hundredths);
    // Adds an unused card, or replaces an unused one of the same number.
    bool AddCard(const std::string& card, const std::string& password, long long value);
    bool ListCards(std::vector<RefillCard>* cards);
    // Uses the card for number in one transaction: the card is marked used and its value
    // added to the balance, or nothing changes.
    RefillOutcome Refill(const std::string& number, const std::string& card, const std::string& password,
                         long long now, long long* balance);

    const std::string& LastError() const { return m_error; }

private:
    bool FailSql();

    sqlite3* m_db;
    std::string m_error;
};

} // namespace orv
