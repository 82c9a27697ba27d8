// The service options of registered clients: offline calls (delivered once, then removed),
// call forwarding, password change, support entries and the bind option; and the answers
// for the update-server and account-server queries, which name those servers once they are
// set (refused with -20 before). Runs on the server's thread.
#pragma once

#include "server/options_db.h"
#include "server/session_table.h"
#include "server/subscriber_db.h"
#include "server/user_packets.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace orv {

class OptionsService {
public:
    using SendFunction =
        std::function<void(const std::vector<std::uint8_t>& packet, const std::string& address, std::uint16_t port)>;

    OptionsService(SubscriberDb& db, SendFunction send);

    // Requests that need a live registration.
    static bool Serves(std::uint16_t type);
    void OnRequest(const Packet& p, const Session& sender);
    // Requests answered whoever asks (the update query comes before the logon).
    static bool ServesAnyone(std::uint16_t type);
    void OnAnyoneRequest(const Packet& p, const std::string& address, std::uint16_t port);

    // A new registration of the number: offline calls delivered before are forgotten.
    void OnLogon(const std::string& number);

    // Where the account and update servers are (IPv4 network byte order, port): answered
    // to their queries from then on.
    struct ServerAddress {
        std::uint32_t address = 0;
        std::uint16_t port = 0;
    };
    void SetAccountServer(const ServerAddress& server) { m_accountServer = server; }
    void SetUpdateServer(const ServerAddress& server, std::uint32_t mode) {
        m_updateServer = server;
        m_updateMode = mode;
    }

private:
    void OnOfflineCalls(const Packet& p, const Session& sender);
    void OnGetForward(const Packet& p, const Session& sender);
    void OnSetForward(const Packet& p, const Session& sender);
    void OnSetPassword(const Packet& p, const Session& sender);
    void OnSupport(const Packet& p, const Session& sender);
    void OnQueryBindOption(const Packet& p, const Session& sender);
    void OnSetBindOption(const Packet& p, const Session& sender);
    bool DigestMatches(const std::string& number, const std::string& digest);
    void Answer(const std::vector<std::uint8_t>& packet, const Session& to) { m_send(packet, to.address, to.port); }

    SubscriberDb& m_subscribers;
    OptionsDb m_db;
    SendFunction m_send;
    // The latest offline-call answer per number: a resend of the request (same sequence
    // number) gets it again, since the calls it carried are no longer stored.
    struct Delivered {
        std::uint32_t seq = 0;
        std::vector<std::uint8_t> packet;
    };
    std::map<std::string, Delivered> m_delivered;
    ServerAddress m_accountServer;
    ServerAddress m_updateServer;
    std::uint32_t m_updateMode = 0;
};

} // namespace orv
