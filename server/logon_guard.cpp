#include "server/logon_guard.h"

#include "platform/tick.h"

#include <algorithm>

namespace orv {

namespace {

bool Before(std::uint32_t now, std::uint32_t until) {
    return TickDiff(until, now) > 0;
}

} // namespace

template <typename Table, typename TimeOf>
void LogonGuard::MakeRoom(Table& table, std::uint32_t now, TimeOf timeOf) {
    if (table.size() < kMaxEntries) return;
    auto oldest = std::max_element(table.begin(), table.end(), [&](const auto& a, const auto& b) {
        return TickDiff(now, timeOf(a.second)) < TickDiff(now, timeOf(b.second));
    });
    table.erase(oldest);
}

bool LogonGuard::SourceBarred(const std::string& address, std::uint32_t now) const {
    const auto it = m_sources.find(address);
    return it != m_sources.end() && it->second.failures > kFreeFailures &&
           Before(now, it->second.barredUntil);
}

void LogonGuard::SourceFailed(const std::string& address, std::uint32_t now) {
    auto it = m_sources.find(address);
    if (it == m_sources.end()) {
        MakeRoom(m_sources, now, [](const Source& s) { return s.lastFailure; });
        it = m_sources.emplace(address, Source{}).first;
    } else if (TickDiff(now, it->second.lastFailure) >=
               static_cast<std::int32_t>(kForgetSourceMs)) {
        it->second = Source{};
    }
    Source& s = it->second;
    s.failures = std::min(s.failures + 1, 64);
    s.lastFailure = now;
    if (s.failures <= kFreeFailures) return;
    const int doublings = s.failures - kFreeFailures - 1;
    const std::uint64_t delay = std::min<std::uint64_t>(
        std::uint64_t{kFirstDelayMs} << std::min(doublings, 20), kLongestDelayMs);
    s.barredUntil = now + static_cast<std::uint32_t>(delay);
}

bool LogonGuard::NumberBarred(const std::string& number, std::uint32_t now) const {
    const auto it = m_numberBarredUntil.find(number);
    return it != m_numberBarredUntil.end() && Before(now, it->second);
}

void LogonGuard::LockNumber(const std::string& number, std::uint32_t now) {
    if (m_numberBarredUntil.find(number) == m_numberBarredUntil.end()) {
        MakeRoom(m_numberBarredUntil, now, [](std::uint32_t until) { return until; });
    }
    m_numberBarredUntil[number] = now + kNumberLockMs;
}

void LogonGuard::Sweep(std::uint32_t now) {
    std::erase_if(m_sources, [now](const auto& entry) {
        return TickDiff(now, entry.second.lastFailure) >=
               static_cast<std::int32_t>(kForgetSourceMs);
    });
    std::erase_if(m_numberBarredUntil,
                  [now](const auto& entry) { return !Before(now, entry.second); });
}

} // namespace orv
