// Install after the downloads: with the service's public key, first every downloaded file
// is checked against the signed list (a file that does not match, or every file when the
// list itself does not check, is deleted and not installed). Then the updater is replaced
// at once; every other file goes into the hand-over file for the updater, the client
// program with AutoRun switched on; each is recorded as installed with its version.
#pragma once

#include "wire/update_messages.h"
#include "wire/update_signature.h"

#include <optional>
#include <string>
#include <vector>

namespace orv {

class ClientConfig;

struct UpdateInstallSetup {
    std::string programFolder;
    std::optional<UpdatePublicKey> publicKey;
};

// True when at least one file was handed to the updater.
bool InstallDownloads(const std::vector<FileRecord>& list, const UpdateInstallSetup& setup, ClientConfig& config);

// The service's public key from the settings file (section "LiveUpdate", key "PublicKey",
// 64 hex digits); none when absent. A key that is present but malformed is logged and
// treated as a key that matches nothing, so nothing is installed.
std::optional<UpdatePublicKey> ConfiguredUpdateKey(const std::string& settingsFile);

} // namespace orv
