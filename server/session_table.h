// The registrations of the user server: one per number, found by endpoint identifier,
// number or sender address. A registration stays live while its keep-alives come within
// the TTL; after that (or on an admin's demand) it is expired, and a registration whose
// number logged on from another address is displaced. Expired and displaced ones are kept
// for a while, so that late keep-alives get the right answer, then forgotten. A registration
// replaced by a newer logon from the same address is superseded: the same client holds the
// newer one, and its keep-alives still in flight with the old endpoint are taken as alive.
// Registrations are indexed by endpoint, by number and by address, so a logon or a lookup
// costs the same however many are registered; NAT detects are due in the order of their
// last one, from a queue. Every operation takes the table's lock; results are copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace orv {

enum class SessionStatus { Live, Expired, Displaced, Superseded };

struct Session {
    std::uint32_t endpoint = 0;
    std::string number;
    std::string address; // dotted quad of the client's link
    std::uint16_t port = 0;
    SessionStatus status = SessionStatus::Live;
    std::uint32_t lastKeepAlive = 0; // tick of logon or of the latest keep-alive
    std::uint32_t changedAt = 0;     // tick when it stopped being live
    std::uint32_t lastDemand = 0;    // tick of the latest re-logon demand
    bool demandSent = false;
    std::uint32_t lastNatDetect = 0; // tick of the latest NAT detect sent
    std::uint32_t natSeq = 0;        // its sequence number, echoed back by the client
    std::string bindInfo;            // the handset's bind value sent with the logon
};

enum class KeepAliveVerdict {
    Alive,       // answer with the TTL (also for a superseded endpoint whose link is live)
    Expired,     // demand a re-logon
    Quiet,       // expired, demand sent a moment ago: say nothing
    Displaced,   // the number logged on elsewhere: repeat the logout notice
    Unknown,     // no such registration (forgotten, or made before a restart): demand a re-logon
    WrongSender, // the endpoint belongs to another address: drop
};

class SessionTable {
public:
    explicit SessionTable(std::uint32_t ttlMs);

    struct LogonResult {
        std::uint32_t endpoint = 0;
        bool displacedOther = false; // `displaced` holds the older registration to notify
        Session displaced;
    };
    // A new registration for number; an older one of the same number at another address is
    // displaced, one at the same address (the same client logging on again) is dropped.
    LogonResult Register(const std::string& number, const std::string& address, std::uint16_t port,
                         std::uint32_t now, const std::string& bindInfo = "");

    KeepAliveVerdict KeepAlive(std::uint32_t endpoint, const std::string& address, std::uint16_t port,
                               std::uint32_t now, Session* session);
    // Admin expiry of the number's live registration; false when it has none.
    bool Expire(const std::string& number, std::uint32_t now);
    // The client's own logout; false unless the endpoint is registered at that address.
    bool Logout(std::uint32_t endpoint, const std::string& address, std::uint16_t port);
    // The live registration made from this address.
    bool FindLiveByAddress(const std::string& address, std::uint16_t port, std::uint32_t now, Session* session);
    bool Find(std::uint32_t endpoint, Session* session);
    // The number's live registration (keep-alives within the TTL).
    bool FindLiveByNumber(const std::string& number, std::uint32_t now, Session* session);
    // The numbers whose registration stopped being live (expired, displaced, superseded,
    // logged out) since the last call; the number may be live again by a newer logon.
    std::vector<std::string> TakeWentOffLine();

    // Live registrations due for a NAT detect (none sent for intervalMs), the longest waiting
    // first and at most maxCount of them; each gets the next sequence number from nextSeq
    // and is marked as detected now.
    std::vector<Session> TakeNatDetectsDue(std::uint32_t now, std::uint32_t intervalMs,
                                           const std::function<std::uint32_t()>& nextSeq,
                                           std::size_t maxCount = SIZE_MAX);
    // Registrations held, of any status.
    std::size_t Size();
    // Expires registrations whose keep-alives stopped and forgets old expired/displaced ones.
    void Sweep(std::uint32_t now);
    std::vector<Session> Snapshot();

    std::uint32_t TtlMs() const { return m_ttlMs; }

private:
    bool IsOverdue(const Session& s, std::uint32_t now) const;
    const Session* LiveAt(const std::string& address, std::uint16_t port, std::uint32_t now) const;
    static std::string AddressKey(const std::string& address, std::uint16_t port);
    // Forgets a registration and its index entries.
    void Erase(std::unordered_map<std::uint32_t, Session>::iterator it);
    KeepAliveVerdict DemandOnce(Session& s, std::uint32_t now);
    void MarkNotLive(Session& s, SessionStatus status, std::uint32_t now);
    std::uint32_t NewEndpoint();

    std::mutex m_mutex;
    const std::uint32_t m_ttlMs;
    const std::uint32_t m_retentionMs;
    std::unordered_map<std::uint32_t, Session> m_sessions;
    std::unordered_map<std::string, std::uint32_t> m_byNumber; // live and expired ones
    // "address:port" -> the one registration there that is not superseded.
    std::unordered_map<std::string, std::uint32_t> m_byAddress;
    // (tick of the last NAT detect or of the logon, endpoint), oldest first; an entry whose
    // tick is no longer its registration's is stale and skipped.
    std::deque<std::pair<std::uint32_t, std::uint32_t>> m_natQueue;
    std::vector<std::string> m_wentOffLine;
    std::mt19937 m_random;
};

} // namespace orv
