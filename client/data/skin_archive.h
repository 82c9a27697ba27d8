// The skin archive format ("orv.dat", "Conf.dat"): a packed folder tree, scrambled as one
// block. Unscrambled it is a 17-byte header, then nodes of 273 bytes (node 0 is the root
// folder), then the file data. A node is: type (1 folder, 0 file), u32 data offset from the
// start of the archive, u32 data size, a 256-byte NUL-terminated name, u32 index of the next
// node in the same folder and u32 index of the first node inside the folder (0 = none).
// Shared by the unpacker and the packing tool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr std::size_t kSkinHeaderSize = 17;
constexpr std::size_t kSkinNodeSize = 273;
constexpr std::size_t kSkinNameFieldSize = 256;
constexpr std::uint8_t kSkinFileNode = 0;
constexpr std::uint8_t kSkinFolderNode = 1;
// What our packer writes into the header (the unpacker does not read it).
constexpr char kSkinHeaderText[kSkinHeaderSize] = "ORV skin archive";

struct SkinNode {
    std::uint8_t type = kSkinFileNode;
    std::uint32_t dataOffset = 0;
    std::uint32_t dataSize = 0;
    std::string name;
    std::uint32_t next = 0;
    std::uint32_t firstChild = 0;
};

std::size_t SkinNodeCount(std::size_t archiveSize);
// Decodes node index of an unscrambled archive; false when it lies outside the archive.
bool DecodeSkinNode(const std::vector<std::uint8_t>& archive, std::uint32_t index, SkinNode* node);
// Encodes node at its place in an unscrambled archive (which must be large enough).
void EncodeSkinNode(const SkinNode& node, std::uint32_t index, std::vector<std::uint8_t>* archive);

// One thing the unpack creates, in unpack order. path is relative to the destination,
// parts joined with '/'; the root is the entry with an empty path.
struct SkinEntry {
    std::string path;
    bool folder = false;
    std::uint32_t dataOffset = 0;
    std::uint32_t dataSize = 0;
};

// Walks the node tree of an unscrambled archive. Fails (with a reason in *error) on a root
// that is not a folder or has siblings, a node index outside the archive, a node reached
// twice (a loop), an unknown node type, a name that is not a plain file name (empty, ".",
// "..", a path separator, no terminating zero), file data outside the archive, or a tree
// deeper or a path longer than the limits below. Nothing it lists can leave the destination.
constexpr std::size_t kMaxSkinDepth = 64;
constexpr std::size_t kMaxSkinPathLength = 2048;
bool ListSkinArchive(const std::vector<std::uint8_t>& archive, std::vector<SkinEntry>* entries,
                     std::string* error);

} // namespace orv
