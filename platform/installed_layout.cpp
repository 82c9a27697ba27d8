#include "platform/installed_layout.h"

#include "platform/paths.h"
#include "platform/profile.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

namespace {

std::string AbsoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

} // namespace

bool RunsInstalled(const std::string& programFolder) {
    if (programFolder.empty()) return false;
    struct stat st{};
    return ::stat(JoinPath(programFolder, kInstalledMarkerName).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool RunsInstalled() { return RunsInstalled(ProgramFolder()); }

std::string UserDataHome() {
    std::string data = AbsoluteVariable("XDG_DATA_HOME");
    if (data.empty()) {
        const std::string home = AbsoluteVariable("HOME");
        if (home.empty()) return "";
        data = JoinPath(home, ".local/share");
    }
    return JoinPath(data, "orv");
}

std::string InstalledCommandPath(const std::string& programFolder, const std::string& name) {
    const std::string own = JoinPath(programFolder, name);
    if (!RunsInstalled(programFolder) || !IsPlainFileName(name)) return own;
    const std::string marker = JoinPath(programFolder, kInstalledMarkerName);
    const std::string programs = GetProfileString("Installed", "Programs", "", marker);
    if (programs.empty()) return own;
    const std::string folder = programs[0] == '/' ? programs : JoinPath(programFolder, programs);
    char resolved[PATH_MAX];
    if (::realpath(folder.c_str(), resolved) == nullptr) return own;
    const std::string command = JoinPath(resolved, name);
    return ::access(command.c_str(), X_OK) == 0 ? command : own;
}

} // namespace orv
