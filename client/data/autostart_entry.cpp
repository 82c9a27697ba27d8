#include "client/data/autostart_entry.h"

#include "client/data/atomic_file.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

namespace {

bool MakeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

} // namespace

std::string DefaultAutostartFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return JoinPath(config, "autostart");
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return JoinPath(JoinPath(home, ".config"), "autostart");
    return "";
}

bool AutostartEntryPresent(const std::string& folder, const char* entryName) {
    if (folder.empty()) return false;
    const int fd = ::open(JoinPath(folder, entryName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::string DesktopExecValue(const std::string& programPath) {
    std::string value = "\"";
    for (char c : programPath) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') value += '\\';
        if (c == '%') value += '%'; // "%%" is a literal percent sign, not a field code
        value += c;
    }
    value += '"';
    // The entry format unescapes backslashes once more when it reads a string value.
    std::string escaped;
    for (char c : value) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

bool WriteAutostartEntry(const std::string& folder, const std::string& programPath) {
    if (folder.empty() || !MakeFolders(folder)) return false;
    const std::string text = "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=ORV Phone\n"
                             "Exec=" + DesktopExecValue(programPath) + "\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n";
    return WriteFileAtomically(JoinPath(folder, kAutostartEntryName),
                               reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

bool RemoveAutostartEntry(const std::string& folder, const char* entryName) {
    if (folder.empty()) return true;
    return ::unlink(JoinPath(folder, entryName).c_str()) == 0 || errno == ENOENT;
}

} // namespace orv
