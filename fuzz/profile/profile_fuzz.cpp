// Reads arbitrary bytes as a profile file, then writes one key and checks that it reads back
// and that every other key of the file kept its value.
#include "platform/profile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <strings.h>
#include <unistd.h>

namespace {

// A folder of its own for the run, removed at exit; tmpfs keeps the writer's fsync cheap.
struct TempFolder {
    TempFolder() {
        path = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/orv-profile-fuzz-XXXXXX" : "/tmp/orv-profile-fuzz-XXXXXX";
        if (!::mkdtemp(path.data())) std::abort();
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

void Check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TempFolder folder;
    static const std::string file = folder.path + "/fuzz.ini";
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }

    struct Entry {
        std::string section, key, value;
    };
    std::vector<Entry> before;
    for (const std::string& section : orv::GetProfileSections(file)) {
        for (const std::string& key : orv::GetProfileKeys(section, file)) {
            before.push_back({section, key, orv::GetProfileString(section, key, "", file, 1 << 20)});
            orv::GetProfileInt(section, key, 0, file);
        }
    }

    const std::string section = before.empty() ? "fuzz" : before.front().section;
    if (!orv::WriteProfileString(section, "FuzzKey", "fuzz value", file)) return 0; // unwritable name
    Check(orv::GetProfileString(section, "fuzzkey", "", file) == "fuzz value");
    for (const Entry& e : before) {
        const bool same = e.section.size() == section.size() && e.key.size() == 7 &&
                          strncasecmp(e.section.c_str(), section.c_str(), section.size()) == 0 &&
                          strncasecmp(e.key.c_str(), "FuzzKey", 7) == 0;
        if (!same) Check(orv::GetProfileString(e.section, e.key, "", file, 1 << 20) == e.value);
    }
    return 0;
}
