// Starting our own programs and opening documents, never through a shell: arguments go to
// the new program as they are.
#include "platform/system.h"

#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace orv {
namespace {

// Starts file with argv in a session of its own and reaps it in the background, so the
// program outlives us if it wants to and never lingers as a zombie.
bool SpawnDetached(const std::string& file, const std::vector<std::string>& args, bool searchPath) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
#ifdef POSIX_SPAWN_SETSID
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
#endif
    // Our sockets and files stay ours: a child holding a copy would keep them open (and
    // keep them in our wait sets) after we closed them.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = 0;
    const int rc = searchPath ? posix_spawnp(&pid, file.c_str(), &actions, &attr, argv.data(), environ)
                              : posix_spawn(&pid, file.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0)
        return false;
    std::thread([pid] {
        int status = 0;
        waitpid(pid, &status, 0);
    }).detach();
    return true;
}

} // namespace

bool ShellOpenProgram(const std::string& path, const std::vector<std::string>& args) {
    if (path.empty())
        return false;
    std::vector<std::string> argv{path};
    argv.insert(argv.end(), args.begin(), args.end());
    return SpawnDetached(path, argv, false);
}

bool ShellOpenDocument(const std::string& target) {
    if (target.empty() || target.find('\0') != std::string::npos)
        return false;
    // A target starting with '-' would be read as an option.
    const std::string safe = target[0] == '-' ? "./" + target : target;
    return SpawnDetached("xdg-open", {"xdg-open", safe}, true);
}

} // namespace orv
