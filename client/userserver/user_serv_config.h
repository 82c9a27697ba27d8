// What the user-server session reads from and writes to the configuration and the call
// record store, in one place. The keep-alive period is read and written from several
// threads, so every access goes through these functions and their lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orv {

class ClientConfig;
class CallRecordList;
struct ConfigEnvironment;

// Owning pointers that can be used where the classes are incomplete.
struct ConfigDeleter {
    void operator()(ClientConfig* config) const;
};
struct RecordsDeleter {
    void operator()(CallRecordList* records) const;
};
using ConfigPtr = std::unique_ptr<ClientConfig, ConfigDeleter>;
using RecordsPtr = std::unique_ptr<CallRecordList, RecordsDeleter>;

// The configuration of the given machine (without the desktop's autostart entry unless
// asked) and the call record store of the home folder.
ConfigPtr CreateClientConfig(ConfigEnvironment environment, bool manageAutostart);
RecordsPtr CreateCallRecordList();
int ConfiguredLanguage(ClientConfig& config);

// Local port choice of the user-server link: AutoAlloc, else Comm UserPort.
bool UserServAutoAlloc(ClientConfig& config);
std::uint16_t UserServLocalPort(ClientConfig& config);

// The keep-alive period (General TTL, ms; 0 = not set).
std::uint32_t GetKeepAlivePeriod(ClientConfig& config);
// Stores the period and saves the General group.
void StoreKeepAlivePeriod(ClientConfig& config, std::uint32_t periodMs);

// Tells the call record store that number has logged on (it loads that user's records).
void NotifyRecordsLogon(CallRecordList* records, const std::string& number);

} // namespace orv
