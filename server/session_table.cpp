#include "server/session_table.h"

#include "platform/tick.h"

#include <algorithm>

namespace orv {

namespace {
// A re-logon demand is repeated for the same registration at most this often, so the
// resends of one late keep-alive do not make the client log on twice.
constexpr std::uint32_t kDemandRepeatMs = 10000;
} // namespace

SessionTable::SessionTable(std::uint32_t ttlMs)
    : m_ttlMs(std::max<std::uint32_t>(ttlMs, 1000)),
      m_retentionMs(std::max<std::uint32_t>(10 * m_ttlMs, 60000)),
      m_random(std::random_device{}()) {}

bool SessionTable::IsOverdue(const Session& s, std::uint32_t now) const {
    return TickDiff(now, s.lastKeepAlive) > static_cast<std::int32_t>(m_ttlMs);
}

void SessionTable::MarkNotLive(Session& s, SessionStatus status, std::uint32_t now) {
    if (s.status == SessionStatus::Live) m_wentOffLine.push_back(s.number);
    s.status = status;
    s.changedAt = now;
}

std::uint32_t SessionTable::NewEndpoint() {
    // Random, so identifiers do not repeat across restarts and cannot be guessed; kept
    // positive for the signed log lines of the client.
    std::uniform_int_distribution<std::uint32_t> pick(1, 0x7FFFFFFF);
    std::uint32_t endpoint;
    do {
        endpoint = pick(m_random);
    } while (m_sessions.count(endpoint) != 0);
    return endpoint;
}

SessionTable::LogonResult SessionTable::Register(const std::string& number, const std::string& address,
                                                 std::uint16_t port, std::uint32_t now,
                                                 const std::string& bindInfo) {
    std::lock_guard<std::mutex> lock(m_mutex);
    LogonResult result;
    auto old = m_byNumber.find(number);
    if (old != m_byNumber.end()) {
        auto it = m_sessions.find(old->second);
        if (it != m_sessions.end() && (it->second.address != address || it->second.port != port)) {
            MarkNotLive(it->second, SessionStatus::Displaced, now);
            result.displacedOther = true;
            result.displaced = it->second;
        }
        m_byNumber.erase(old);
    }
    // One link holds one registration: whatever else was registered from this address (the
    // same client logging on again, or switching numbers, or coming back after it was
    // displaced) is superseded. No notice goes there any more: the client would take it for
    // the logout of its new registration.
    const std::string key = AddressKey(address, port);
    auto atAddress = m_byAddress.find(key);
    if (atAddress != m_byAddress.end()) {
        auto other = m_sessions.find(atAddress->second);
        if (other != m_sessions.end() && other->second.status != SessionStatus::Superseded) {
            auto byNumber = m_byNumber.find(other->second.number);
            if (byNumber != m_byNumber.end() && byNumber->second == other->first) m_byNumber.erase(byNumber);
            MarkNotLive(other->second, SessionStatus::Superseded, now);
        }
    }
    Session s;
    s.endpoint = NewEndpoint();
    s.number = number;
    s.address = address;
    s.port = port;
    s.bindInfo = bindInfo;
    s.lastKeepAlive = now;
    s.lastNatDetect = now;
    m_sessions.emplace(s.endpoint, s);
    m_byNumber.emplace(number, s.endpoint);
    m_byAddress[key] = s.endpoint;
    m_natQueue.emplace_back(now, s.endpoint);
    result.endpoint = s.endpoint;
    return result;
}

KeepAliveVerdict SessionTable::KeepAlive(std::uint32_t endpoint, const std::string& address, std::uint16_t port,
                                         std::uint32_t now, Session* session) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sessions.find(endpoint);
    if (it == m_sessions.end()) return KeepAliveVerdict::Unknown;
    Session& s = it->second;
    if (s.address != address || s.port != port) return KeepAliveVerdict::WrongSender;
    if (s.status == SessionStatus::Live && IsOverdue(s, now)) MarkNotLive(s, SessionStatus::Expired, now);
    KeepAliveVerdict verdict = KeepAliveVerdict::Alive;
    switch (s.status) {
    case SessionStatus::Live:
        s.lastKeepAlive = now;
        break;
    case SessionStatus::Displaced:
        verdict = KeepAliveVerdict::Displaced;
        break;
    case SessionStatus::Superseded:
        if (LiveAt(address, port, now) == nullptr) verdict = DemandOnce(s, now);
        break;
    case SessionStatus::Expired:
        verdict = DemandOnce(s, now);
        break;
    }
    *session = s;
    return verdict;
}

KeepAliveVerdict SessionTable::DemandOnce(Session& s, std::uint32_t now) {
    if (s.demandSent && TickDiff(now, s.lastDemand) < static_cast<std::int32_t>(kDemandRepeatMs)) {
        return KeepAliveVerdict::Quiet;
    }
    s.demandSent = true;
    s.lastDemand = now;
    return KeepAliveVerdict::Expired;
}

std::string SessionTable::AddressKey(const std::string& address, std::uint16_t port) {
    return address + ":" + std::to_string(port);
}

// Only the one registration at an address that is not superseded can be live there.
const Session* SessionTable::LiveAt(const std::string& address, std::uint16_t port, std::uint32_t now) const {
    auto atAddress = m_byAddress.find(AddressKey(address, port));
    if (atAddress == m_byAddress.end()) return nullptr;
    auto it = m_sessions.find(atAddress->second);
    if (it == m_sessions.end()) return nullptr;
    const Session& s = it->second;
    return s.status == SessionStatus::Live && !IsOverdue(s, now) ? &s : nullptr;
}

void SessionTable::Erase(std::unordered_map<std::uint32_t, Session>::iterator it) {
    const Session& s = it->second;
    auto byNumber = m_byNumber.find(s.number);
    if (byNumber != m_byNumber.end() && byNumber->second == s.endpoint) m_byNumber.erase(byNumber);
    auto atAddress = m_byAddress.find(AddressKey(s.address, s.port));
    if (atAddress != m_byAddress.end() && atAddress->second == s.endpoint) m_byAddress.erase(atAddress);
    m_sessions.erase(it);
}

bool SessionTable::Expire(const std::string& number, std::uint32_t now) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_byNumber.find(number);
    if (found == m_byNumber.end()) return false;
    auto it = m_sessions.find(found->second);
    if (it == m_sessions.end() || it->second.status != SessionStatus::Live) return false;
    MarkNotLive(it->second, SessionStatus::Expired, now);
    return true;
}

bool SessionTable::Logout(std::uint32_t endpoint, const std::string& address, std::uint16_t port) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sessions.find(endpoint);
    if (it == m_sessions.end() || it->second.address != address || it->second.port != port) return false;
    if (it->second.status == SessionStatus::Live) m_wentOffLine.push_back(it->second.number);
    Erase(it);
    return true;
}

bool SessionTable::FindLiveByAddress(const std::string& address, std::uint16_t port, std::uint32_t now,
                                     Session* session) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Session* live = LiveAt(address, port, now);
    if (live != nullptr) *session = *live;
    return live != nullptr;
}

bool SessionTable::Find(std::uint32_t endpoint, Session* session) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sessions.find(endpoint);
    if (it == m_sessions.end()) return false;
    *session = it->second;
    return true;
}

bool SessionTable::FindLiveByNumber(const std::string& number, std::uint32_t now, Session* session) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_byNumber.find(number);
    if (found == m_byNumber.end()) return false;
    auto it = m_sessions.find(found->second);
    if (it == m_sessions.end() || it->second.status != SessionStatus::Live || IsOverdue(it->second, now)) return false;
    *session = it->second;
    return true;
}

std::vector<std::string> SessionTable::TakeWentOffLine() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> numbers;
    numbers.swap(m_wentOffLine);
    return numbers;
}

std::vector<Session> SessionTable::TakeNatDetectsDue(std::uint32_t now, std::uint32_t intervalMs,
                                                     const std::function<std::uint32_t()>& nextSeq,
                                                     std::size_t maxCount) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Session> due;
    while (!m_natQueue.empty() && due.size() < maxCount) {
        const auto [since, endpoint] = m_natQueue.front();
        auto it = m_sessions.find(endpoint);
        const bool current = it != m_sessions.end() && it->second.lastNatDetect == since &&
                             it->second.status == SessionStatus::Live && !IsOverdue(it->second, now);
        if (current && TickDiff(now, since) < static_cast<std::int32_t>(intervalMs)) break;
        m_natQueue.pop_front();
        if (!current) continue;
        Session& s = it->second;
        s.lastNatDetect = now;
        s.natSeq = nextSeq();
        m_natQueue.emplace_back(now, endpoint);
        due.push_back(s);
    }
    return due;
}

std::size_t SessionTable::Size() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sessions.size();
}

void SessionTable::Sweep(std::uint32_t now) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        Session& s = it->second;
        if (s.status == SessionStatus::Live) {
            if (IsOverdue(s, now)) MarkNotLive(s, SessionStatus::Expired, now);
            ++it;
        } else if (TickDiff(now, s.changedAt) > static_cast<std::int32_t>(m_retentionMs)) {
            auto next = std::next(it);
            Erase(it);
            it = next;
        } else {
            ++it;
        }
    }
}

std::vector<Session> SessionTable::Snapshot() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Session> all;
    for (const auto& [endpoint, s] : m_sessions) all.push_back(s);
    std::sort(all.begin(), all.end(), [](const Session& a, const Session& b) { return a.number < b.number; });
    return all;
}

} // namespace orv
