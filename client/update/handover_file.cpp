#include "client/update/handover_file.h"

#include "platform/profile.h"

#include <fstream>

namespace orv {

bool CreateHandOverFile(const std::string& file) {
    std::ofstream out(file, std::ios::trunc);
    return static_cast<bool>(out);
}

bool AddHandOverEntry(const std::string& file, std::size_t index, const std::string& targetPath) {
    return WriteProfileString(kHandOverSection, std::to_string(index).c_str(), targetPath.c_str(), file);
}

std::vector<std::string> ReadHandOverFile(const std::string& file) {
    std::vector<std::string> paths;
    for (const std::string& key : GetProfileKeys(kHandOverSection, file)) {
        if (paths.size() >= kMaxHandOverEntries) break;
        std::string path = GetProfileString(kHandOverSection, key, "", file);
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
}

} // namespace orv
