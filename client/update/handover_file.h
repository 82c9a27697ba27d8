// The hand-over file "UpdateFiles.ini" between the client and the updater: section
// "UpdateFiles", keys "0", "1", ... (the file's index in the download list), each value the
// full target path of a file whose new content lies beside it under the path plus ".bak".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orv {

constexpr const char* kHandOverSection = "UpdateFiles";
// Entries read at most; the rest of a longer file is ignored.
constexpr std::size_t kMaxHandOverEntries = 1024;

// Creates the file empty (or truncates it). False when it cannot be written.
bool CreateHandOverFile(const std::string& file);
bool AddHandOverEntry(const std::string& file, std::size_t index, const std::string& targetPath);
// The target paths in file order, whatever their keys.
std::vector<std::string> ReadHandOverFile(const std::string& file);

} // namespace orv
