#include "client/update/update_target.h"

#include "platform/paths.h"

#include <filesystem>

namespace orv {

std::string UpdateFolderOfKind(const std::string& programFolder, std::uint32_t kind) {
    switch (kind) {
    case 2: return JoinPath(programFolder, "Windows");
    case 3: return JoinPath(programFolder, "Windows/system");
    case 4: return JoinPath(programFolder, "Windows/system32");
    case 5: return JoinPath(programFolder, "Windows/system32/drivers");
    default: return programFolder;
    }
}

std::string UpdateTargetPath(const std::string& programFolder, const FileRecord& file) {
    if (!IsUpdateFileName(file.name) || !IsPlainFileName(file.name)) return {};
    return JoinPath(UpdateFolderOfKind(programFolder, file.kind), file.name);
}

bool IsPathInsideFolder(const std::string& folder, const std::string& path) {
    const std::filesystem::path base = std::filesystem::path(folder).lexically_normal();
    const std::filesystem::path full = std::filesystem::path(path).lexically_normal();
    if (!base.is_absolute() || !full.is_absolute() || !full.has_filename()) return false;
    const std::filesystem::path rel = full.lexically_relative(base);
    if (rel.empty() || rel == ".") return false;
    for (const auto& part : rel) {
        if (part == "..") return false;
    }
    return true;
}

} // namespace orv
