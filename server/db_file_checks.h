// The checks the server makes before it trusts its SQLite files, so that a damaged,
// emptied or write-protected file stops the start with a clear message instead of being
// taken for a new database or failing every request later.
#pragma once

#include <string>

struct sqlite3;

namespace orv {

// Opens path for reading and writing, creating it only when it is missing. A file that
// exists must be a regular, non-empty file (a 0-byte file is what a lost database looks
// like, never a new one). Null with the reason in *error; *existed tells whether the file
// was there before.
sqlite3* OpenDatabaseFile(const std::string& path, bool* existed, std::string* error);

// Runs SQLite's quick check and refuses a database opened read-only.
bool CheckOpenedDatabase(sqlite3* db, const std::string& path, std::string* error);

// Creates and removes a file in folder: false with the reason ("read-only file system", ...)
// when nothing can be written there.
bool CheckFolderWritable(const std::string& folder, std::string* error);

} // namespace orv
