// Program folder, module name, home folder and path helpers.
#include "platform/paths.h"

#include "platform/command_option.h"
#include "platform/installed_layout.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

std::string ExecutablePath() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string MakeAbsolute(const std::string& path) {
    if (path.empty() || path[0] == '/')
        return StripTrailingSlashes(path);
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd))
        return StripTrailingSlashes(path);
    return StripTrailingSlashes(JoinPath(cwd, path));
}

// mkdir -p: true when the folder exists afterwards.
bool MakeFolders(const std::string& path) {
    if (path.empty())
        return false;
    struct stat st{};
    if (stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash)))
        return false;
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST)
        return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return false;
}

struct HomeState {
    std::mutex mutex;
    std::string folder; // empty: not chosen yet, the program folder is used
};

HomeState& Home() {
    static HomeState* state = new HomeState; // never destroyed: usable from late static destructors
    return *state;
}

} // namespace

std::string ProgramFolder() {
    const std::string exe = ExecutablePath();
    const auto slash = exe.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : exe.substr(0, slash);
}

std::string ModuleName() {
    std::string name = ExecutablePath();
    const auto slash = name.find_last_of('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

std::string HomeFolder() {
    std::string folder;
    {
        std::lock_guard<std::mutex> lock(Home().mutex);
        folder = Home().folder;
    }
    if (folder.empty())
        folder = ProgramFolder();
    MakeFolders(folder);
    return folder;
}

void SetHomeFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(Home().mutex);
    Home().folder = MakeAbsolute(folder);
}

bool InitHomeFolder(int& argc, char** argv, std::string* error) {
    const CommandOption taken = TakeCommandOption(argc, argv, "--home");
    std::string chosen = taken.value;
    // An empty --home is a mistake, never a quiet way back to the program folder.
    if (taken.missingValue || (taken.given && chosen.empty())) {
        if (error != nullptr) *error = "--home needs a folder (it was given none, or an empty one)";
        return false;
    }
    if (chosen.empty()) {
        const char* env = std::getenv("ORV_HOME");
        if (env && *env)
            chosen = env;
    }
    // An installed program's folder belongs to the package manager: its files stay the
    // user's own under the data folder instead.
    if (chosen.empty() && RunsInstalled()) {
        chosen = UserDataHome();
        if (chosen.empty()) {
            if (error != nullptr) *error = "no home folder: set --home, ORV_HOME, XDG_DATA_HOME or HOME";
            return false;
        }
    }
    if (chosen.empty())
        chosen = ProgramFolder();
    SetHomeFolder(chosen);
    if (MakeFolders(HomeFolder()))
        return true;
    if (error != nullptr) *error = "the home folder \"" + chosen + "\" cannot be created";
    return false;
}

std::string JoinPath(const std::string& a, const std::string& b) {
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    std::string left = a;
    while (!left.empty() && left.back() == '/')
        left.pop_back();
    std::size_t start = 0;
    while (start < b.size() && b[start] == '/')
        ++start;
    return left + "/" + b.substr(start);
}

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        if (c == '/' || c == '\\' || c == '\0')
            return false;
    }
    return true;
}

} // namespace orv
