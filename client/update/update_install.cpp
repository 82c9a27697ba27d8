#include "client/update/update_install.h"

#include "client/data/atomic_file.h"
#include "client/data/client_config.h"
#include "client/log/log.h"
#include "client/update/file_replace.h"
#include "client/update/handover_file.h"
#include "client/update/update_target.h"
#include "platform/paths.h"
#include "platform/profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace orv {

namespace {

bool Exists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsProgramFile(const std::string& name) {
    return name == kClientProgramName || name == kUpdaterProgramName || name == "orvcli" ||
           (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0);
}

// The new file gets the mode of the file it replaces; a new program file is executable.
void SetNewFileMode(const std::string& target, const std::string& name) {
    struct stat st{};
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : (IsProgramFile(name) ? 0755 : 0644);
    ::chmod((target + ".bak").c_str(), mode);
}

// Deletes the ".bak" of every file the signed list does not vouch for. False when nothing
// may be installed.
bool CheckSignatures(const std::vector<FileRecord>& list, const UpdateInstallSetup& setup) {
    const std::string signaturePath =
        UpdateTargetPath(setup.programFolder, {kUpdateSignatureName, 1, 0}) + ".bak";
    std::vector<std::uint8_t> bytes;
    std::vector<SignedFile> signedFiles;
    std::string error = "the service offers no signed file list";
    const bool listOk = ReadFileBytes(signaturePath, kMaxSignatureFileBytes + 1, &bytes) &&
                        VerifyFileList(std::string(bytes.begin(), bytes.end()), *setup.publicKey, &signedFiles, &error);
    ::unlink(signaturePath.c_str());
    if (!listOk) WriteLog(3, "live update: %s; no file is installed", error.c_str());
    bool any = false;
    for (const FileRecord& file : list) {
        if (file.name == kUpdateSignatureName) continue;
        const std::string fresh = UpdateTargetPath(setup.programFolder, file) + ".bak";
        if (!Exists(fresh)) continue;
        const auto entry = std::find_if(signedFiles.begin(), signedFiles.end(), [&](const SignedFile& s) {
            return s.name == file.name && s.kind == file.kind && s.version == file.version;
        });
        bool ok = listOk && entry != signedFiles.end();
        if (ok) {
            ok = ReadFileBytes(fresh, kMaxUpdateFileBytes, &bytes) && Sha256Hex(bytes.data(), bytes.size()) == entry->sha256;
        }
        if (ok) {
            WriteLog(3, "live update: %s version %u matches its signature", file.name.c_str(), file.version);
            any = true;
        } else {
            if (listOk) WriteLog(3, "live update: %s does not match the signed file list, refused", file.name.c_str());
            ::unlink(fresh.c_str());
        }
    }
    return any;
}

} // namespace

std::optional<UpdatePublicKey> ConfiguredUpdateKey(const std::string& settingsFile) {
    const std::string text = GetProfileString("LiveUpdate", "PublicKey", "", settingsFile);
    if (text.empty()) return std::nullopt;
    UpdatePublicKey key{};
    if (!FromHex(text, key.data(), key.size())) {
        WriteLog(3, "live update: the configured public key is not 64 hex digits; nothing will be installed");
        key.fill(0);
    }
    return key;
}

bool InstallDownloads(const std::vector<FileRecord>& list, const UpdateInstallSetup& setup, ClientConfig& config) {
    if (setup.publicKey && !CheckSignatures(list, setup)) return false;
    const std::string handOver = JoinPath(setup.programFolder, kHandOverFileName);
    if (!CreateHandOverFile(handOver)) {
        WriteLog(3, "live update: cannot write %s; nothing is installed", handOver.c_str());
        return false;
    }
    bool installed = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const FileRecord& file = list[i];
        const std::string target = UpdateTargetPath(setup.programFolder, file);
        if (target.empty() || !Exists(target + ".bak")) continue;
        if (setup.publicKey && file.name == kUpdateSignatureName) continue;
        SetNewFileMode(target, file.name);
        if (file.name != kUpdaterProgramName) {
            if (file.name == kClientProgramName) {
                config.General().autoRun = 1;
                config.SaveGeneral();
            }
            if (!AddHandOverEntry(handOver, i, target)) {
                WriteLog(3, "live update: cannot hand %s over to the updater", target.c_str());
                continue;
            }
            config.RecordUpdateFile(file.name, static_cast<int>(file.version));
            installed = true;
            continue;
        }
        // The updater is not running: it is replaced now.
        std::string error;
        if (ReplaceWithNewFile(target, &error)) {
            config.RecordUpdateFile(file.name, static_cast<int>(file.version));
            WriteLog(3, "live update: %s replaced", target.c_str());
        } else {
            WriteLog(3, "live update: %s", error.c_str());
        }
    }
    return installed;
}

} // namespace orv
