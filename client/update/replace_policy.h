// The one place that decides whether the live update may replace a file here. An
// installation whose program folder the client cannot write (a system-wide install) takes
// its program files from elsewhere; the live update then leaves them alone and says why.
#pragma once

#include "wire/update_messages.h"

#include <string>

namespace orv {

// False, with the reason in *why, when the file must not be replaced by the live update.
bool MayReplaceHere(const std::string& programFolder, const FileRecord& file, std::string* why);

} // namespace orv
