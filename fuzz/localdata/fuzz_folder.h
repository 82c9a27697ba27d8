// A scratch folder for fuzz targets, on a memory file system when there is one, so that the
// files each input writes cost little. It is removed when the fuzzer exits.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace orv::fuzz {

inline std::vector<std::string>& ScratchFolders() {
    static std::vector<std::string> folders;
    return folders;
}

inline std::string MakeScratchFolder(const char* name) {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/" + name + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    if (ScratchFolders().empty()) {
        std::atexit([] {
            std::error_code ignored;
            for (const auto& folder : ScratchFolders()) std::filesystem::remove_all(folder, ignored);
        });
    }
    ScratchFolders().push_back(pattern);
    return pattern;
}

} // namespace orv::fuzz
