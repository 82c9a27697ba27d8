// Building a skin archive from a folder (the packing tool and the tests use it). The
// archive unpacks to exactly the folder's tree: same names, same bytes, empty folders kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Packs folder into scrambled archive bytes. Entries of a folder are stored in byte order of
// their names. Fails with a reason when the folder holds anything but plain files and
// folders, a name the archive cannot carry (longer than 255 bytes, a backslash), or more
// data than 32-bit offsets reach.
bool PackSkinFolder(const std::string& folder, std::vector<std::uint8_t>* archive,
                    std::string* error);

} // namespace orv
