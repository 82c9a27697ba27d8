#include "client/userserver/user_serv_config.h"

#include "client/data/call_record_list.h"
#include "client/data/client_config.h"
#include "client/log/log.h"
#include "platform/paths.h"

#include <mutex>

namespace orv {

namespace {
std::mutex g_periodLock;
}

void ConfigDeleter::operator()(ClientConfig* config) const { delete config; }
void RecordsDeleter::operator()(CallRecordList* records) const { delete records; }

ConfigPtr CreateClientConfig(ConfigEnvironment environment, bool manageAutostart) {
    if (!manageAutostart) environment.autostartFolder.clear();
    return ConfigPtr(new ClientConfig(std::move(environment)));
}

RecordsPtr CreateCallRecordList() { return RecordsPtr(new CallRecordList(HomeFolder())); }

int ConfiguredLanguage(ClientConfig& config) { return config.General().language; }

bool UserServAutoAlloc(ClientConfig& config) { return config.Comm().autoAlloc != 0; }

std::uint16_t UserServLocalPort(ClientConfig& config) {
    int port = config.Comm().userPort;
    return port > 0 && port <= 0xFFFF ? static_cast<std::uint16_t>(port) : 0;
}

std::uint32_t GetKeepAlivePeriod(ClientConfig& config) {
    std::lock_guard<std::mutex> lock(g_periodLock);
    int ttl = config.General().ttl;
    return ttl > 0 ? static_cast<std::uint32_t>(ttl) : 0;
}

void StoreKeepAlivePeriod(ClientConfig& config, std::uint32_t periodMs) {
    std::lock_guard<std::mutex> lock(g_periodLock);
    config.General().ttl = static_cast<int>(periodMs);
    config.SaveGeneral();
}

void NotifyRecordsLogon(CallRecordList* records, const std::string& number) {
    if (records != nullptr) records->Load(number);
}

} // namespace orv
