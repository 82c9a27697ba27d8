// The user server's conversation: takes each datagram's payload with its sender, answers
// through the send function, and runs the periodic work (expiry sweep, NAT detects) when
// its timer fires. Time comes in as a tick argument, so tests drive it without waiting.
// Runs on one thread (the server's message loop); the session table has its own lock.
#pragma once

#include "server/friend_service.h"
#include "server/logon_guard.h"
#include "server/options_service.h"
#include "server/server_log.h"
#include "server/session_table.h"
#include "server/subscriber_db.h"
#include "server/user_packets.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

class TalkRequests;
class ConferenceRequests;

struct UserServerConfig {
    std::uint32_t ttlSeconds = 90;        // the keep-alive TTL told to clients
    std::uint32_t natIntervalMs = 60000;  // NAT detect per registration; 0 = never
    std::uint32_t publicAddress = 0;      // answered to "QuerySvrIPPort", network byte order
    std::uint16_t publicPort = 0;
};

class UserServer {
public:
    using SendFunction =
        std::function<void(const std::vector<std::uint8_t>& packet, const std::string& address, std::uint16_t port)>;

    // beforeFriendLoad: see FriendLists (tests hold a friend list load with it).
    UserServer(SubscriberDb& db, const UserServerConfig& config, SendFunction send,
               FriendLists::BeforeLoad beforeFriendLoad = {});

    void OnDatagram(const std::uint8_t* data, std::size_t size, const std::string& address, std::uint16_t port,
                    std::uint32_t now);
    // The periodic work: expiry sweep, presence of who went off line, NAT detects, and a
    // count of the routine events once a minute.
    void OnTimer(std::uint32_t now);
    // The NAT detects due now, the longest waiting first; each round sends at most twice
    // its share of the interval, so detects (and their echoes) spread over time even when
    // many clients logged on at once. Called by OnTimer and, for smaller rounds, on its own.
    void SendNatDetects(std::uint32_t now);

    // What the server did since it started, for the admin's "stats".
    struct Counts {
        std::uint64_t logons = 0;
        std::uint64_t keepAlives = 0;
        std::uint64_t relogonDemands = 0;
        std::uint64_t natDetects = 0;
        std::uint64_t natEchoes = 0;
    };
    const Counts& Stats() const { return m_counts; }

    void SetPublicAddress(std::uint32_t address, std::uint16_t port);
    // Admin expiry: the number's next keep-alive gets a re-logon demand.
    bool ExpireNumber(const std::string& number, std::uint32_t now);
    SessionTable& Sessions() { return m_sessions; }
    FriendService& Friends() { return m_friends; }
    OptionsService& Options() { return m_options; }
    // Talk requests and call forwards go to the talk side; without it they are dropped.
    void SetTalkRequests(TalkRequests* talk) { m_talk = talk; }
    // Conference requests and invitations likewise.
    void SetConferenceRequests(ConferenceRequests* conf) { m_conf = conf; }

private:
    struct From {
        const std::string& address;
        std::uint16_t port;
    };
    void OnQuerySvrIPPort(const Packet& p, const From& from, std::uint32_t now);
    void OnLogin(const Packet& p, const From& from, std::uint32_t now);
    void OnKeepAlive(const Packet& p, const From& from, std::uint32_t now);
    void OnNatEcho(const Packet& p, const From& from, std::uint32_t now);
    void OnLogout(const Packet& p, const From& from, std::uint32_t now);
    void OnCustomInfo(const Packet& p, const From& from, std::uint32_t now);
    // Friend and service-option requests, only from a live registration.
    void OnSessionRequest(const Packet& p, const From& from, std::uint32_t now);
    // Tells the friends of every number that went off line.
    void ReportOffLine(std::uint32_t now);
    // Checks the password, the number's state and its handset binding: 0 when the logon may
    // go ahead, else the refusal reason, or kLogonUnanswered when the database failed.
    std::int32_t CheckLogon(const std::string& number, const std::string& digest, const std::string& bindInfo,
                            const From& from, std::uint32_t now);
    static constexpr std::int32_t kLogonUnanswered = 1;
    void Send(const std::vector<std::uint8_t>& packet, const std::string& address, std::uint16_t port);
    std::uint32_t NextSeq() {
        const std::uint32_t seq = m_seq++;
        if (m_seq == 0) m_seq = 1; // 0 never numbers a NAT detect
        return seq;
    }

    SubscriberDb& m_db;
    UserServerConfig m_config;
    SendFunction m_send;
    SessionTable m_sessions;
    std::uint32_t m_seq = 1; // sequence numbers of the packets the server starts
    FriendService m_friends;
    OptionsService m_options;
    TalkRequests* m_talk = nullptr;
    ConferenceRequests* m_conf = nullptr;
    LogonGuard m_guard;
    DropLog m_dropLog{"user", ""};
    Counts m_counts;
    std::uint32_t m_lastNatRound = 0;
    bool m_natRoundStarted = false;
    std::uint64_t m_echoesLogged = 0; // m_counts.natEchoes at the latest count line
    std::uint32_t m_echoCountSince = 0;
    bool m_echoCountStarted = false;
};

// Text from a packet made safe for one log line (control and non-ASCII bytes become '?').
std::string LogSafe(const std::string& text);

} // namespace orv
