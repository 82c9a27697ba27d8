// Whole-file reads and crash-safe whole-file replacement for the client's data files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Replaces path with bytes: written to a temporary file in the same folder, synced, then
// renamed over path (and the folder synced). The new file keeps the old one's permissions.
// On any failure the old file is left untouched and false is returned.
bool WriteFileAtomically(const std::string& path, const std::uint8_t* bytes, std::size_t size);
inline bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}

// Reads at most maxSize bytes of path into bytes. False when it cannot be opened or read
// (a missing file is a failure; callers treat it as empty).
bool ReadFileBytes(const std::string& path, std::size_t maxSize, std::vector<std::uint8_t>* bytes);

// The permissions a replacement of path gets: those of the file there, else 0644.
unsigned ModeForReplacing(const std::string& path);

// Syncs the folder that holds path, so a rename into it survives a crash.
bool SyncParentFolder(const std::string& path);

} // namespace orv
