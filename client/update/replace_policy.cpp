#include "client/update/replace_policy.h"

#include "client/update/update_target.h"
#include "platform/installed_layout.h"

#include <unistd.h>

#include <filesystem>

namespace orv {

bool MayReplaceHere(const std::string& programFolder, const FileRecord& file, std::string* why) {
    const std::string target = UpdateTargetPath(programFolder, file);
    if (target.empty()) {
        *why = "not a plain file name";
        return false;
    }
    // An installed program's files belong to its package: nothing is written there at run time.
    if (RunsInstalled(programFolder)) {
        *why = "this installation is updated by the package manager";
        return false;
    }
    // The nearest folder that exists on the way to the target must be writable by us.
    std::filesystem::path folder = std::filesystem::path(target).parent_path();
    std::error_code ec;
    while (!folder.empty() && !std::filesystem::exists(folder, ec) && folder != folder.parent_path())
        folder = folder.parent_path();
    if (::access(folder.c_str(), W_OK) != 0) {
        *why = "the folder " + folder.string() + " is not writable here; this installation is updated as a whole";
        return false;
    }
    return true;
}

} // namespace orv
