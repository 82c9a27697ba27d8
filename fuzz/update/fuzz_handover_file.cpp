// Arbitrary bytes as the hand-over file the updater reads: the reader keeps its bound on
// entries and gives only non-empty paths; the folder check never lets a path with ".."
// above the folder through.
#include "client/update/handover_file.h"
#include "client/update/update_target.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orv;
    static const std::string file =
        (std::filesystem::temp_directory_path() / ("fuzz-handover-" + std::to_string(::getpid()) + ".ini")).string();
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    const std::vector<std::string> paths = ReadHandOverFile(file);
    if (paths.size() > kMaxHandOverEntries) std::abort();
    for (const std::string& path : paths) {
        if (path.empty()) std::abort();
        if (IsPathInsideFolder("/opt/orv", path)) {
            const auto rel = std::filesystem::path(path).lexically_normal().lexically_relative("/opt/orv");
            if (rel.empty() || *rel.begin() == "..") std::abort();
        }
    }
    return 0;
}
