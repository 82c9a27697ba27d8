#include "tests/e2e/speech_files.h"

#include "tests/e2e/child_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace orv::test {

bool RunTool(const std::string& program, const std::vector<std::string>& args, const std::string& log,
             std::string* error) {
    const std::string path = FindProgram(program);
    if (path.empty()) {
        *error = program + " is not installed (scripts/deps.sh lists it)";
        return false;
    }
    ChildProcess child;
    int status = -1;
    if (!child.Start(path, args, log) || !child.WaitExit(60000, &status) || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        *error = program + " failed (see " + log + ")";
        return false;
    }
    return true;
}

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

bool MakeSpeechFile(const std::string& text, const std::string& voice, const std::string& path,
                    std::string* error) {
    const std::string spoken = path + ".spoken.wav";
    return RunTool("espeak-ng", {"-v", voice, "-s", "150", "-w", spoken, text}, path + ".log", error) &&
           RunTool("sox", {spoken, "-r", "8000", "-c", "1", "-b", "16", "-e", "signed-integer", path}, path + ".log",
               error);
}

} // namespace orv::test

namespace orv::test {

bool PadWithSilence(const std::string& from, const std::string& to, double seconds, std::string* error) {
    return RunTool("sox", {from, to, "pad", std::to_string(seconds), "0"}, to + ".log", error);
}

} // namespace orv::test
