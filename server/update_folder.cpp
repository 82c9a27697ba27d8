#include "server/update_folder.h"

#include "platform/paths.h"
#include "server/server_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orv {

namespace {

bool ReadBounded(const std::string& path, std::size_t limit, std::vector<std::uint8_t>* bytes) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > limit) return false;
    std::ifstream in(path, std::ios::binary);
    bytes->resize(static_cast<std::size_t>(size));
    return static_cast<bool>(in.read(reinterpret_cast<char*>(bytes->data()), static_cast<std::streamsize>(size)));
}

// Written beside path under a temporary name, then renamed over it.
bool WriteReplacing(const std::string& path, const std::string& bytes, mode_t mode, std::string* error) {
    const std::string temp = path + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    bool ok = fd >= 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    if (fd >= 0) {
        ok = ::fsync(fd) == 0 && ok;
        ::close(fd);
    }
    if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        *error = "cannot write " + path;
    }
    return ok;
}

} // namespace

UpdateFolder::UpdateFolder(std::string folder, std::string keyFile)
    : m_folder(std::move(folder)), m_keyFile(std::move(keyFile)) {}

std::vector<FileRecord> UpdateFolder::Catalogue() const {
    std::vector<FileRecord> files;
    std::vector<std::uint8_t> bytes;
    if (!ReadBounded(JoinPath(m_folder, kUpdateCatalogueName), 1u << 20, &bytes)) return files;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    while (std::getline(in, line) && files.size() < kMaxListedFiles - 1) {
        std::istringstream words(line);
        FileRecord f;
        long long kind = -1, version = -1;
        if (!(words >> f.name >> kind >> version) || !IsUpdateFileName(f.name) || f.name == kUpdateSignatureName ||
            kind < 0 || kind > 0xFFFFFFFFLL || version < 0 || version > 0xFFFFFFFFLL) {
            if (!line.empty()) ServerLog("update: catalogue line ignored: %s", line.c_str());
            continue;
        }
        f.kind = static_cast<std::uint32_t>(kind);
        f.version = static_cast<std::uint32_t>(version);
        files.push_back(f);
    }
    return files;
}

bool UpdateFolder::WriteCatalogue(const std::vector<FileRecord>& files, std::string* error) const {
    std::string text;
    for (const FileRecord& f : files)
        text += f.name + " " + std::to_string(f.kind) + " " + std::to_string(f.version) + "\n";
    return WriteReplacing(JoinPath(m_folder, kUpdateCatalogueName), text, 0644, error);
}

std::vector<FileRecord> UpdateFolder::List() const {
    std::vector<FileRecord> files = Catalogue();
    struct stat st{};
    const std::string signature = JoinPath(m_folder, kUpdateSignatureName);
    // With nothing published there is nothing to vouch for: an empty list stays empty.
    if (!files.empty() && ::stat(signature.c_str(), &st) == 0) {
        // Its version changes with every signing, so clients without the key fetch it too.
        files.push_back({kUpdateSignatureName, 1, static_cast<std::uint32_t>(st.st_mtime)});
    }
    return files;
}

bool UpdateFolder::Read(const std::string& name, FileRecord* record, std::vector<std::uint8_t>* bytes) const {
    if (!IsUpdateFileName(name)) return false;
    for (const FileRecord& f : List()) {
        if (f.name != name) continue;
        *record = f;
        return ReadBounded(JoinPath(m_folder, name), kMaxUpdateFileBytes, bytes);
    }
    return false;
}

bool UpdateFolder::LoadKey(UpdateSecretKey* key, std::string* error) const {
    std::vector<std::uint8_t> bytes;
    if (ReadBounded(m_keyFile, 4096, &bytes)) {
        std::string text(bytes.begin(), bytes.end());
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
        if (FromHex(text, key->data(), key->size())) return true;
        *error = "the key file " + m_keyFile + " holds no signing key";
        return false;
    }
    std::error_code ec;
    if (std::filesystem::exists(m_keyFile, ec)) {
        *error = "cannot read the key file " + m_keyFile;
        return false;
    }
    UpdatePublicKey publicKey{};
    GenerateUpdateKey(&publicKey, key);
    if (!WriteReplacing(m_keyFile, ToHex(key->data(), key->size()) + "\n", 0600, error)) return false;
    ServerLog("update: new signing key in %s", m_keyFile.c_str());
    return true;
}

bool UpdateFolder::Sign(std::string* error) {
    UpdateSecretKey key{};
    if (!LoadKey(&key, error)) return false;
    std::vector<SignedFile> signedFiles;
    for (const FileRecord& f : Catalogue()) {
        std::vector<std::uint8_t> bytes;
        if (!ReadBounded(JoinPath(m_folder, f.name), kMaxUpdateFileBytes, &bytes)) {
            *error = "cannot read the published file " + f.name;
            return false;
        }
        signedFiles.push_back({f.name, f.kind, f.version, Sha256Hex(bytes.data(), bytes.size())});
    }
    return WriteReplacing(JoinPath(m_folder, kUpdateSignatureName), SignFileList(signedFiles, key), 0644, error);
}

bool UpdateFolder::Prepare(std::string* publicKey, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    if (!std::filesystem::is_directory(m_folder, ec)) {
        *error = "cannot make the update folder " + m_folder;
        return false;
    }
    if (!Sign(error)) return false;
    UpdateSecretKey key{};
    if (!LoadKey(&key, error)) return false;
    const UpdatePublicKey pub = PublicKeyOf(key);
    *publicKey = ToHex(pub.data(), pub.size());
    return true;
}

bool UpdateFolder::Publish(const std::string& source, std::uint32_t version, std::uint32_t kind,
                           std::string* error) {
    const std::string name = std::filesystem::path(source).filename().string();
    if (!IsUpdateFileName(name) || name == kUpdateSignatureName || name == kUpdateCatalogueName) {
        *error = "cannot publish a file named " + name;
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadBounded(source, kMaxUpdateFileBytes, &bytes)) {
        *error = "cannot read " + source + " (at most " + std::to_string(kMaxUpdateFileBytes) + " bytes)";
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    if (!WriteReplacing(JoinPath(m_folder, name), std::string(bytes.begin(), bytes.end()), 0644, error)) return false;
    std::vector<FileRecord> files = Catalogue();
    auto it = std::find_if(files.begin(), files.end(), [&](const FileRecord& f) { return f.name == name; });
    if (it == files.end()) {
        files.push_back({name, kind, version});
    } else {
        it->kind = kind;
        it->version = version;
    }
    return WriteCatalogue(files, error) && Sign(error);
}

} // namespace orv
