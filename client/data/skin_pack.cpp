#include "client/data/skin_pack.h"

#include "client/data/atomic_file.h"
#include "client/data/scramble.h"
#include "client/data/skin_archive.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <limits>
#include <sys/stat.h>

namespace orv {

namespace {

struct PackItem {
    SkinNode node;
    std::string source;   // file or folder on disk
    std::size_t depth = 0;
};

class FolderPacker {
public:
    explicit FolderPacker(std::string* error) : m_error(error) {}

    bool Pack(const std::string& folder, std::vector<std::uint8_t>* archive) {
        struct stat st;
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail("not a folder: " + folder);
        PackItem root;
        root.node.type = kSkinFolderNode;
        root.node.name = folder.substr(folder.find_last_of('/') + 1);
        root.source = folder;
        m_items.push_back(root);
        if (!AddChildren(0, "")) return false;
        return Layout(archive);
    }

private:
    // Adds the entries of folder m_items[index] as one chain of siblings, then their inner
    // folders. relative is the folder's path inside the archive.
    bool AddChildren(std::uint32_t index, const std::string& relative) {
        std::vector<std::string> names;
        if (!ListFolder(m_items[index].source, &names)) return false;
        if (names.empty()) return true;
        const std::size_t first = m_items.size();
        const std::size_t depth = m_items[index].depth + 1;
        if (depth > kMaxSkinDepth) return Fail("folder tree too deep: " + m_items[index].source);
        if (first + names.size() > std::numeric_limits<std::uint32_t>::max()) return Fail("too many entries");
        for (std::size_t i = 0; i < names.size(); ++i) {
            PackItem item;
            item.source = m_items[index].source + "/" + names[i];
            item.depth = depth;
            item.node.name = names[i];
            if (names[i].size() >= kSkinNameFieldSize || !IsPlainFileName(names[i])) {
                return Fail("name the archive cannot carry: " + item.source);
            }
            struct stat st;
            if (::lstat(item.source.c_str(), &st) != 0) return Fail("cannot read " + item.source);
            if (S_ISDIR(st.st_mode)) {
                item.node.type = kSkinFolderNode;
            } else if (S_ISREG(st.st_mode)) {
                item.node.type = kSkinFileNode;
            } else {
                return Fail("neither a plain file nor a folder: " + item.source);
            }
            if (i + 1 < names.size()) item.node.next = static_cast<std::uint32_t>(first + i + 1);
            m_items.push_back(item);
        }
        m_items[index].node.firstChild = static_cast<std::uint32_t>(first);
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string path = relative.empty() ? names[i] : relative + "/" + names[i];
            if (path.size() > kMaxSkinPathLength) return Fail("path too long: " + path);
            const auto child = static_cast<std::uint32_t>(first + i);
            if (m_items[child].node.type == kSkinFolderNode && !AddChildren(child, path)) return false;
        }
        return true;
    }

    bool ListFolder(const std::string& folder, std::vector<std::string>* names) {
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) return Fail("cannot open folder " + folder);
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names->push_back(name);
        }
        ::closedir(dir);
        std::sort(names->begin(), names->end());
        return true;
    }

    // Nodes first, then every file's data in node order; the whole block scrambled.
    bool Layout(std::vector<std::uint8_t>* archive) {
        constexpr std::size_t kLimit = std::numeric_limits<std::uint32_t>::max();
        archive->assign(kSkinHeaderSize + m_items.size() * kSkinNodeSize, 0);
        std::memcpy(archive->data(), kSkinHeaderText, kSkinHeaderSize);
        std::vector<std::uint8_t> data;
        for (PackItem& item : m_items) {
            if (item.node.type != kSkinFileNode) continue;
            if (!ReadFileBytes(item.source, kLimit, &data)) return Fail("cannot read " + item.source);
            if (archive->size() + data.size() > kLimit) return Fail("archive larger than 4 GB");
            item.node.dataOffset = static_cast<std::uint32_t>(archive->size());
            item.node.dataSize = static_cast<std::uint32_t>(data.size());
            archive->insert(archive->end(), data.begin(), data.end());
        }
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            EncodeSkinNode(m_items[i].node, static_cast<std::uint32_t>(i), archive);
        }
        ScrambleBlock(archive->data(), archive->size(), kSkinArchiveKey);
        return true;
    }

    bool Fail(const std::string& reason) {
        *m_error = reason;
        return false;
    }

    std::vector<PackItem> m_items;
    std::string* m_error;
};

} // namespace

bool PackSkinFolder(const std::string& folder, std::vector<std::uint8_t>* archive,
                    std::string* error) {
    std::string reason;
    FolderPacker packer(error ? error : &reason);
    return packer.Pack(folder, archive);
}

} // namespace orv
