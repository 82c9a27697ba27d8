// Where an update file goes: folder kinds 2..5 are sub-folders of the program folder that
// stand in for the system's folders (never a folder of the system itself); any other kind
// is the program folder. Also the names of the two programs the live update treats apart.
#pragma once

#include "platform/installed_layout.h"
#include "wire/update_messages.h"

#include <string>

namespace orv {

constexpr const char* kUpdaterProgramName = "updater";
constexpr const char* kHandOverFileName = "UpdateFiles.ini";

// The folder of a kind, inside programFolder.
std::string UpdateFolderOfKind(const std::string& programFolder, std::uint32_t kind);
// The full target path of a file, or "" when its name is no plain file name.
std::string UpdateTargetPath(const std::string& programFolder, const FileRecord& file);
// True when path names a file strictly below folder (after resolving "." and ".."
// lexically; both must be absolute).
bool IsPathInsideFolder(const std::string& folder, const std::string& path);

} // namespace orv
