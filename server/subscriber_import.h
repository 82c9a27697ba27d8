// Many subscribers at once from a text file, one a line: "NUMBER PASSWORD", optionally
// followed by "active" or "inactive"; blank lines and lines starting with '#' are skipped.
// All of them go in one transaction: a file with any bad line (malformed, a number that
// exists already or twice in the file) adds nothing, and the error names the line.
#pragma once

#include <cstddef>
#include <string>

namespace orv {

class SubscriberDb;

// Longest line taken, and most subscribers in one file.
constexpr std::size_t kImportLineMax = 256;
constexpr std::size_t kImportMaxSubscribers = 1000000;

// Returns the count added, or -1 with *error set.
long long ImportSubscribers(SubscriberDb& db, const std::string& path, std::string* error);

} // namespace orv
