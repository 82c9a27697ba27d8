// updater: puts the files of a live update in place once the client has ended, then starts
// the client again. It takes no command line; its folder is the program folder. The
// client leaves "UpdateFiles.ini" there, listing each target whose new content lies beside
// it as "<target>.bak". A target outside the program folder is refused; a target that
// cannot be replaced is retried for 10 s from the start of replacing, after which the
// updater gives up and leaves the list for a later run, starting nothing.
#include "client/update/file_replace.h"
#include "client/update/handover_file.h"
#include "client/update/update_target.h"
#include "platform/paths.h"
#include "platform/system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

using namespace orv;

namespace {

constexpr int kClientLooks = 100;
constexpr auto kStep = std::chrono::milliseconds(100);
constexpr auto kRetryFor = std::chrono::milliseconds(10000);
constexpr auto kBeforeStart = std::chrono::milliseconds(500);

void Say(const std::string& line) { std::fprintf(stderr, "updater: %s\n", line.c_str()); }

// A client program of this folder still runs (its executable, as the system names it).
bool ClientRuns(const std::string& folder) {
    namespace fs = std::filesystem;
    const std::string mine = std::to_string(::getpid());
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string pid = entry.path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == mine) continue;
        std::error_code linkError;
        const fs::path exe = fs::read_symlink(entry.path() / "exe", linkError);
        if (linkError) continue;
        std::string name = exe.filename().string();
        const std::string deleted = " (deleted)";
        if (name.size() > deleted.size() && name.compare(name.size() - deleted.size(), deleted.size(), deleted) == 0)
            name.resize(name.size() - deleted.size());
        if (exe.parent_path() == fs::path(folder) && (name == kClientProgramName || name == "orvcli")) return true;
    }
    return false;
}

// Inside the program folder, also once the links on the way are followed.
bool MayWrite(const std::string& folder, const std::string& target) {
    namespace fs = std::filesystem;
    if (!IsPathInsideFolder(folder, target)) return false;
    std::error_code ec;
    const fs::path base = fs::canonical(folder, ec);
    if (ec) return false;
    const fs::path parent = fs::weakly_canonical(fs::path(target).lexically_normal().parent_path(), ec);
    return !ec && IsPathInsideFolder(base.string(), (parent / "x").string());
}

void MakeWritable(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR);
}

} // namespace

int main() {
    const std::string folder = ProgramFolder();
    for (int look = 0; look < kClientLooks && ClientRuns(folder); ++look) std::this_thread::sleep_for(kStep);
    std::this_thread::sleep_for(kStep);

    const auto start = std::chrono::steady_clock::now();
    const std::string handOver = JoinPath(folder, kHandOverFileName);
    if (::access(handOver.c_str(), F_OK) != 0) return 0; // nothing to do, nothing to start

    for (const std::string& target : ReadHandOverFile(handOver)) {
        if (!MayWrite(folder, target)) {
            Say("refused, not in the program folder: " + target);
            continue;
        }
        if (std::filesystem::path(target).filename() == kUpdaterProgramName) continue; // the client did it
        for (;;) {
            if (::access((target + ".bak").c_str(), F_OK) != 0) {
                std::this_thread::sleep_for(kStep);
                break;
            }
            std::string error;
            if (ReplaceWithNewFile(target, &error)) {
                Say("replaced " + target);
                break;
            }
            for (const char* suffix : {"", ".bak", ".tmp"}) MakeWritable(target + suffix);
            if (std::chrono::steady_clock::now() - start > kRetryFor) {
                Say("giving up: " + error);
                return 1;
            }
            std::this_thread::sleep_for(kStep);
        }
    }
    ::unlink(handOver.c_str());
    std::this_thread::sleep_for(kBeforeStart);
    const std::string client = JoinPath(folder, kClientProgramName);
    if (!ShellOpenProgram(client)) Say("cannot start " + client);
    return 0;
}
