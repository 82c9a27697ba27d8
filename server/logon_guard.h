// Slows password guessing without handing anyone a lever to shut a subscriber out for good.
//
// Source addresses: the first kFreeFailures failed logons in a row from an address cost
// nothing; each further one bars the address for a delay that doubles from 1 s up to
// 5 min. While barred, its logons are refused before any password is looked at. A logon
// from it that succeeds clears the address; one that stays quiet for an hour is forgotten.
//
// Numbers: once a number's password was wrong kWrongPasswordLimit times in a row (the count
// lives in the database, so a guesser spread over many addresses is caught too), each
// further wrong password bars the number for kNumberLockMs. The bar ends by itself; the
// right password after it, or an administrator, resets the count.
//
// Time comes in as millisecond ticks, so tests drive it without waiting. Both tables are
// bounded. Used on the user server's thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace orv {

class LogonGuard {
  public:
    static constexpr int kFreeFailures = 5;
    static constexpr std::uint32_t kFirstDelayMs = 1000;
    static constexpr std::uint32_t kLongestDelayMs = 5 * 60 * 1000;
    static constexpr std::uint32_t kForgetSourceMs = 60 * 60 * 1000;
    static constexpr std::uint32_t kNumberLockMs = 15 * 60 * 1000;
    static constexpr std::size_t kMaxEntries = 4096;

    bool SourceBarred(const std::string& address, std::uint32_t now) const;
    // A failed logon from address (unknown number or wrong password).
    void SourceFailed(const std::string& address, std::uint32_t now);
    void SourceSucceeded(const std::string& address) { m_sources.erase(address); }

    bool NumberBarred(const std::string& number, std::uint32_t now) const;
    void LockNumber(const std::string& number, std::uint32_t now);

    // Forgets what has run out (the server's timer calls it).
    void Sweep(std::uint32_t now);

  private:
    struct Source {
        int failures = 0;
        std::uint32_t lastFailure = 0;
        std::uint32_t barredUntil = 0;
    };
    // Makes room for one more entry when a table is full: what has run out goes first, else
    // the entry whose time lies furthest back.
    template <typename Table, typename TimeOf>
    static void MakeRoom(Table& table, std::uint32_t now, TimeOf timeOf);

    std::unordered_map<std::string, Source> m_sources;
    std::unordered_map<std::string, std::uint32_t> m_numberBarredUntil;
};

} // namespace orv
