#include "client/data/skin_unpack.h"

#include "client/data/atomic_file.h"
#include "client/data/scramble.h"
#include "client/data/skin_archive.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

namespace {

bool MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) == 0) return true;
    struct stat st;
    return errno == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteSkinFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    // O_NOFOLLOW: a link planted in the destination is never written through.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    while (size > 0 && ok) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) {
            data += n;
            size -= static_cast<std::size_t>(n);
        }
    }
    return (::close(fd) == 0) && ok;
}

bool SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

} // namespace

bool UnpackSkinBytes(std::vector<std::uint8_t> archive, const std::string& destination,
                     std::string* error) {
    UnscrambleBlock(archive.data(), archive.size(), kSkinArchiveKey);
    std::vector<SkinEntry> entries;
    std::string reason;
    if (!ListSkinArchive(archive, &entries, &reason)) return SetError(error, "damaged archive: " + reason);
    for (const SkinEntry& entry : entries) {
        const std::string path = entry.path.empty() ? destination : destination + "/" + entry.path;
        const bool ok = entry.folder ? MakeFolder(path)
                                     : WriteSkinFile(path, archive.data() + entry.dataOffset,
                                                     entry.dataSize);
        if (!ok) return SetError(error, "cannot create " + path);
    }
    return true;
}

bool UnpackSkinArchive(const std::string& archivePath, const std::string& destination,
                       std::string* error) {
    std::vector<std::uint8_t> archive;
    if (!ReadFileBytes(archivePath, kMaxSkinArchiveSize + 1, &archive)) {
        return SetError(error, "cannot read " + archivePath);
    }
    if (archive.size() > kMaxSkinArchiveSize) return SetError(error, "archive too large: " + archivePath);
    return UnpackSkinBytes(std::move(archive), destination, error);
}

bool RemoveSkinTree(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    bool ok = true;
    while (ok) {
        const dirent* entry = ::readdir(dir);
        if (!entry) break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "/" + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) {
            ok = false;
        } else if (S_ISDIR(st.st_mode)) {
            ok = RemoveSkinTree(path);
        } else {
            ok = ::unlink(path.c_str()) == 0;
        }
    }
    ::closedir(dir);
    return ok && ::rmdir(folder.c_str()) == 0;
}

} // namespace orv
