// What the user-server session keeps of the service options: the call-forwarding cache,
// the support block, the bind option and the server addresses it was told. Written on the
// network thread (answers) and read by the user interface and the talk-server handler, so
// every value is copied in and out under a lock.
#pragma once

#include "client/userserver/option_packets.h"
#include "platform/thread.h"

#include <mutex>
#include <optional>
#include <vector>

namespace orv {

// The process's call-forwarding settings as the server last reported or accepted them;
// absent until the first answer.
class ForwardCache {
public:
    // Stores a copy; the flag is forced to 0 when all four numbers are empty.
    void Set(ForwardRecord record);
    // False while the cache is absent.
    bool Get(ForwardRecord* record) const;
    void Clear();

private:
    mutable CriticalSection m_lock;
    std::optional<ForwardRecord> m_record;
};

// A server address as an answer gave it: first octet in the lowest byte.
struct ServerAnswerAddress {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    std::uint32_t mode = 0; // the update mode (update server only)
};

class ServiceOptions {
public:
    // Keeps the entries unless a block with entries is kept already. True when kept now.
    bool KeepSupport(const std::vector<SupportEntry>& entries);
    std::vector<SupportEntry> Support() const;

    // The bind option character; 0 while unknown.
    void SetBindOption(char option);
    char BindOption() const;

    void SetUpdateServer(const ServerAnswerAddress& server);
    std::optional<ServerAnswerAddress> UpdateServer() const;
    void SetAccountServer(const ServerAnswerAddress& server);
    std::optional<ServerAnswerAddress> AccountServer() const;

private:
    mutable CriticalSection m_lock;
    std::vector<SupportEntry> m_support;
    char m_bindOption = 0;
    std::optional<ServerAnswerAddress> m_updateServer;
    std::optional<ServerAnswerAddress> m_accountServer;
};

} // namespace orv
