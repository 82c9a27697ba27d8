#include "client/update/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

namespace {

bool Exists(const std::string& path) {
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string Failed(const char* step, const std::string& path) {
    return std::string(step) + " " + path + ": " + std::strerror(errno);
}

} // namespace

bool ReplaceWithNewFile(const std::string& target, std::string* error) {
    const std::string fresh = target + ".bak";
    const std::string old = target + ".tmp";
    if (!Exists(fresh)) {
        *error = "no new file " + fresh;
        return false;
    }
    const bool hadOld = Exists(target);
    if (hadOld) {
        if (::unlink(old.c_str()) != 0 && errno != ENOENT) {
            *error = Failed("cannot delete", old);
            return false;
        }
        if (::rename(target.c_str(), old.c_str()) != 0) {
            *error = Failed("cannot move aside", target);
            return false;
        }
    }
    if (::rename(fresh.c_str(), target.c_str()) != 0) {
        *error = Failed("cannot put in place", fresh);
        if (hadOld) ::rename(old.c_str(), target.c_str());
        return false;
    }
    if (hadOld) ::unlink(old.c_str());
    return true;
}

} // namespace orv
