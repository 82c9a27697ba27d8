#include "client/data/skin_archive.h"

#include "platform/paths.h"
#include "wire/byte_order.h"
#include "wire/text_field.h"

#include <cstring>

namespace orv {

namespace {

constexpr std::size_t kTypeAt = 0, kOffsetAt = 1, kSizeAt = 5, kNameAt = 9, kNextAt = 265,
                      kChildAt = 269;

class TreeWalker {
public:
    TreeWalker(const std::vector<std::uint8_t>& archive, std::vector<SkinEntry>* entries,
               std::string* error)
        : m_archive(archive), m_visited(SkinNodeCount(archive.size()), false), m_entries(entries),
          m_error(error) {}

    bool WalkRoot() {
        SkinNode root;
        if (!DecodeSkinNode(m_archive, 0, &root)) return Fail("archive too short for a root node");
        if (root.type != kSkinFolderNode) return Fail("root node is not a folder");
        if (root.next != 0) return Fail("root node has a sibling");
        m_visited[0] = true;
        m_entries->push_back(SkinEntry{"", true, 0, 0});
        return WalkChain(root.firstChild, "", 1);
    }

private:
    // Walks a folder's nodes: siblings iteratively, inner folders recursively (bounded).
    bool WalkChain(std::uint32_t index, const std::string& parent, std::size_t depth) {
        if (depth > kMaxSkinDepth) return Fail("folder tree too deep");
        for (; index != 0;) {
            if (index >= m_visited.size()) return Fail("node index outside the archive");
            if (m_visited[index]) return Fail("node reached twice (loop)");
            m_visited[index] = true;
            SkinNode node;
            DecodeSkinNode(m_archive, index, &node);
            if (!NameIsPlain(node.name)) return Fail("node name is not a plain file name");
            const std::string path = parent.empty() ? node.name : parent + "/" + node.name;
            if (path.size() > kMaxSkinPathLength) return Fail("path too long");
            if (node.type == kSkinFolderNode) {
                m_entries->push_back(SkinEntry{path, true, 0, 0});
                if (!WalkChain(node.firstChild, path, depth + 1)) return false;
            } else if (node.type == kSkinFileNode) {
                if (node.dataOffset > m_archive.size() ||
                    node.dataSize > m_archive.size() - node.dataOffset) {
                    return Fail("file data outside the archive");
                }
                m_entries->push_back(SkinEntry{path, false, node.dataOffset, node.dataSize});
            } else {
                return Fail("unknown node type");
            }
            index = node.next;
        }
        return true;
    }

    static bool NameIsPlain(const std::string& name) {
        // A name filling the whole field has no terminating zero: damaged.
        return name.size() < kSkinNameFieldSize && IsPlainFileName(name);
    }

    bool Fail(const char* reason) {
        *m_error = reason;
        return false;
    }

    const std::vector<std::uint8_t>& m_archive;
    std::vector<bool> m_visited;
    std::vector<SkinEntry>* m_entries;
    std::string* m_error;
};

} // namespace

std::size_t SkinNodeCount(std::size_t archiveSize) {
    return archiveSize < kSkinHeaderSize ? 0 : (archiveSize - kSkinHeaderSize) / kSkinNodeSize;
}

bool DecodeSkinNode(const std::vector<std::uint8_t>& archive, std::uint32_t index, SkinNode* node) {
    if (index >= SkinNodeCount(archive.size())) return false;
    const std::uint8_t* p = archive.data() + kSkinHeaderSize + std::size_t{index} * kSkinNodeSize;
    node->type = p[kTypeAt];
    node->dataOffset = GetU32LE(p + kOffsetAt);
    node->dataSize = GetU32LE(p + kSizeAt);
    const void* end = std::memchr(p + kNameAt, 0, kSkinNameFieldSize);
    const std::size_t nameLength =
        end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - (p + kNameAt))
            : kSkinNameFieldSize;
    node->name.assign(reinterpret_cast<const char*>(p + kNameAt), nameLength);
    node->next = GetU32LE(p + kNextAt);
    node->firstChild = GetU32LE(p + kChildAt);
    return true;
}

void EncodeSkinNode(const SkinNode& node, std::uint32_t index, std::vector<std::uint8_t>* archive) {
    std::uint8_t* p = archive->data() + kSkinHeaderSize + std::size_t{index} * kSkinNodeSize;
    p[kTypeAt] = node.type;
    PutU32LE(p + kOffsetAt, node.dataOffset);
    PutU32LE(p + kSizeAt, node.dataSize);
    PutTextField(p + kNameAt, kSkinNameFieldSize, node.name);
    PutU32LE(p + kNextAt, node.next);
    PutU32LE(p + kChildAt, node.firstChild);
}

bool ListSkinArchive(const std::vector<std::uint8_t>& archive, std::vector<SkinEntry>* entries,
                     std::string* error) {
    entries->clear();
    TreeWalker walker(archive, entries, error);
    if (walker.WalkRoot()) return true;
    entries->clear();
    return false;
}

} // namespace orv
