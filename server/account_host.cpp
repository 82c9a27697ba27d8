#include "server/account_host.h"

#include "server/server_log.h"

namespace orv {

AccountHost::AccountHost(SubscriberDb& db, PrintFunction print)
    : m_accounts(db),
      m_server(
          db, m_accounts,
          [this](LinkHandle link, const std::vector<std::uint8_t>& packet) {
              if (!m_listener.Send(link, packet)) ServerLog("account: cannot answer on link %u", link);
          },
          print),
      m_listener("account", StreamListenerLimits{kLongestAccountMessage},
                 [this](LinkHandle link, const std::uint8_t* data, std::size_t size, std::uint32_t now) {
                     return m_server.OnMessage(link, data, size, now);
                 }),
      m_print(std::move(print)) {}

bool AccountHost::Start(const std::string& address, std::uint16_t port, std::uint16_t* bound, std::string* error) {
    if (!m_accounts.Prepare()) {
        *error = "cannot make the account tables: " + m_accounts.LastError();
        return false;
    }
    if (!m_listener.Listen(address, port, bound, error)) return false;
    m_print("LISTEN account tcp " + address + ":" + std::to_string(*bound));
    ServerLog("account server on %s:%u", address.c_str(), *bound);
    return true;
}

} // namespace orv
