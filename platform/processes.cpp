// Running-process names from /proc.
#include "platform/system.h"

#include <cctype>
#include <dirent.h>
#include <fstream>
#include <limits.h>
#include <unistd.h>

namespace orv {
namespace {

constexpr std::size_t kCommLimit = 15; // the kernel cuts comm to 15 characters

bool IsNumber(const char* s) {
    if (!*s)
        return false;
    for (; *s; ++s) {
        if (!std::isdigit(static_cast<unsigned char>(*s)))
            return false;
    }
    return true;
}

std::string ExeFileName(const std::string& procDir) {
    char buf[PATH_MAX];
    const ssize_t n = readlink((procDir + "/exe").c_str(), buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string path(buf, static_cast<std::size_t>(n));
    const std::string deleted = " (deleted)"; // the file was replaced while running
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.erase(path.size() - deleted.size());
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ProcessName(const std::string& procDir) {
    std::string comm;
    std::ifstream in(procDir + "/comm");
    std::getline(in, comm);
    // A cut name is completed from the executable when that is readable and matches.
    if (comm.empty() || comm.size() >= kCommLimit) {
        const std::string exe = ExeFileName(procDir);
        if (!exe.empty() && (comm.empty() || exe.compare(0, comm.size(), comm) == 0))
            return exe;
    }
    return comm;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

} // namespace

std::vector<std::string> RunningProcessNames() {
    std::vector<std::string> names;
    DIR* proc = opendir("/proc");
    if (!proc)
        return names;
    while (const dirent* entry = readdir(proc)) {
        if (!IsNumber(entry->d_name))
            continue;
        std::string name = ProcessName(std::string("/proc/") + entry->d_name);
        if (!name.empty()) // the process may have ended meanwhile
            names.push_back(std::move(name));
    }
    closedir(proc);
    return names;
}

int CountRunningProcesses(const std::string& name) {
    int count = 0;
    for (const auto& running : RunningProcessNames())
        count += EqualNoCase(running, name);
    return count;
}

} // namespace orv
