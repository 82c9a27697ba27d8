// Unpacking skin archives into a folder, and removing the unpacked tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Largest archive read (skins are a few megabytes).
constexpr std::size_t kMaxSkinArchiveSize = 256u << 20;

// Unpacks the (scrambled) archive bytes into destination: the root becomes destination
// itself (created when missing, its parent must exist), folders are merged into existing
// ones, files overwrite existing files. The whole tree is checked before anything is
// written, so a damaged or hostile archive writes nothing and fails.
bool UnpackSkinBytes(std::vector<std::uint8_t> archive, const std::string& destination,
                     std::string* error = nullptr);
bool UnpackSkinArchive(const std::string& archivePath, const std::string& destination,
                       std::string* error = nullptr);

// Deletes folder and all it contains (links are removed, not followed). Stops with false at
// the first entry that cannot be removed; what was not removed stays.
bool RemoveSkinTree(const std::string& folder);

} // namespace orv
