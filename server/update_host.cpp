#include "server/update_host.h"

#include "server/server_log.h"

namespace orv {

UpdateHost::UpdateHost(const std::string& folder, const std::string& keyFile, PrintFunction print)
    : m_folder(folder, keyFile),
      m_server(
          m_folder,
          [this](LinkHandle link, const std::vector<std::uint8_t>& packet) {
              if (!m_listener.Send(link, packet)) ServerLog("update: cannot answer on link %u", link);
          },
          print),
      m_listener("update", StreamListenerLimits{kDownFileRequestSize},
                 [this](LinkHandle link, const std::uint8_t* data, std::size_t size, std::uint32_t) {
                     return m_server.OnMessage(link, data, size);
                 }),
      m_print(std::move(print)) {}

bool UpdateHost::Start(const std::string& address, std::uint16_t port, std::uint16_t* bound, std::string* error) {
    std::string publicKey;
    if (!m_folder.Prepare(&publicKey, error)) return false;
    if (!m_listener.Listen(address, port, bound, error)) return false;
    m_print("UPDATE-KEY " + publicKey);
    m_print("LISTEN update tcp " + address + ":" + std::to_string(*bound));
    ServerLog("update server on %s:%u serving %s", address.c_str(), *bound, m_folder.Folder().c_str());
    return true;
}

} // namespace orv
