// Client data files that could not be read whole are kept beside themselves before they are
// replaced, so that nothing they still hold is lost to a rewrite.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Keeps path as "<path>.damaged-YYYYMMDD-HHMMSS" (a second link to the same file, or a copy
// where no link can be made) and logs it. False, with the file left where it is, when
// neither works: the caller must then not replace it.
bool KeepDamagedFile(const std::string& path);

// The lines of a settings file that are not blank, a comment, a section header or a
// key=value line, or that hold a NUL byte, are damage (a torn write, noise): removes them
// and returns true when there were any.
bool DropDamagedSettingsLines(std::vector<std::uint8_t>* text);

} // namespace orv
