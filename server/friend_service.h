// The friend requests of registered clients (index, detail, set, delete) and the presence
// pushes: when a number logs on or goes off line, every logged-on subscriber who has it as
// a friend hears of it (0x01FF with that subscriber's own RecordID). Runs on the server's
// thread; the friend lists of logged-on subscribers are kept by FriendLists.
#pragma once

#include "server/friend_db.h"
#include "server/friend_lists.h"
#include "server/session_table.h"
#include "server/user_packets.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

class FriendService {
public:
    using SendFunction =
        std::function<void(const std::vector<std::uint8_t>& packet, const std::string& address, std::uint16_t port)>;
    using SeqFunction = std::function<std::uint32_t()>;

    FriendService(SubscriberDb& db, SessionTable& sessions, SendFunction send, SeqFunction nextSeq,
                  FriendLists::BeforeLoad beforeLoad = {});

    static bool Serves(std::uint16_t type);
    // A request of type Serves() from the live registration `sender`.
    void OnRequest(const Packet& p, const Session& sender, std::uint32_t now);

    // The number has just logged on: its list is loaded and its friends' holders told.
    void OnLogon(const std::string& number, std::uint32_t now);
    // The number is no longer registered anywhere.
    void OnOffLine(const std::string& number, std::uint32_t now);

    FriendLists& Lists() { return m_lists; }

private:
    void OnIndex(const Packet& p, const Session& sender);
    void OnDetail(const Packet& p, const Session& sender, std::uint32_t now);
    void OnSet(const Packet& p, const Session& sender, std::uint32_t now);
    void OnDelete(const Packet& p, const Session& sender);
    enum class Lookup { Found, Missing, Failed };
    Lookup FindRecord(const std::string& owner, std::uint32_t recordId, FriendRow* row);
    std::uint8_t StatusOf(const std::string& number, std::uint32_t now);
    void PushStatus(const std::string& number, std::uint8_t status, std::uint32_t now);
    void Answer(const std::vector<std::uint8_t>& packet, const Session& to) { m_send(packet, to.address, to.port); }

    FriendDb m_db;
    SessionTable& m_sessions;
    SendFunction m_send;
    SeqFunction m_nextSeq;
    FriendLists m_lists;
};

} // namespace orv
