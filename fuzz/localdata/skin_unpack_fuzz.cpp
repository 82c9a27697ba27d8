// Skin archive unpacker: a valid archive (packed from a small tree) with the input XORed over
// its unscrambled bytes and its length cut by the first two input bytes either unpacks into
// the destination folder or fails, and nothing ever appears beside or above it.
#include "client/data/scramble.h"
#include "client/data/skin_pack.h"
#include "client/data/skin_unpack.h"
#include "fuzz/localdata/fuzz_folder.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// The entries of folder except "." and "..".
std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    return names;
}

bool HoldsOnly(const std::string& folder, const std::string& name) {
    const auto names = Entries(folder);
    return names.empty() || (names.size() == 1 && names[0] == name);
}

void WriteFile(const std::string& path, const std::string& text) {
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

std::vector<std::uint8_t> PlainTemplate(const std::string& scratch) {
    const std::string tree = scratch + "/tree";
    ::mkdir(tree.c_str(), 0755);
    ::mkdir((tree + "/MainDlg").c_str(), 0755);
    ::mkdir((tree + "/MainDlg/icons").c_str(), 0755);
    ::mkdir((tree + "/ConfDlg").c_str(), 0755);
    WriteFile(tree + "/MainDlg/mainbody.ini", "[Main]\nx=1\n");
    WriteFile(tree + "/MainDlg/icons/a.bmp", "BM....");
    WriteFile(tree + "/ConfDlg/Conference.ini", "[Conf]\n");
    WriteFile(tree + "/top.txt", "");
    std::vector<std::uint8_t> archive;
    std::string error;
    if (!orv::PackSkinFolder(tree, &archive, &error) || !orv::RemoveSkinTree(tree)) std::abort();
    orv::UnscrambleBlock(archive.data(), archive.size(), orv::kSkinArchiveKey);
    return archive;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // base/outer/parent/dest: an escape of up to three levels would show in one of them.
    static const std::string base = orv::fuzz::MakeScratchFolder("orv-fuzz-skin");
    static const std::string outer = base + "/outer";
    static const std::string parent = outer + "/parent";
    static const std::vector<std::uint8_t> plain = PlainTemplate(base);
    static const bool made = ::mkdir(outer.c_str(), 0755) == 0 && ::mkdir(parent.c_str(), 0755) == 0;
    if (!made) std::abort();
    const std::string dest = parent + "/dest";
    if (size < 2) return 0;

    std::vector<std::uint8_t> archive = plain;
    archive.resize((data[0] | (data[1] << 8)) % (plain.size() + 64));
    for (std::size_t i = 2; i < size && !archive.empty(); ++i) archive[(i - 2) % archive.size()] ^= data[i];
    orv::ScrambleBlock(archive.data(), archive.size(), orv::kSkinArchiveKey);
    orv::UnpackSkinBytes(std::move(archive), dest);

    if (!HoldsOnly(base, "outer") || !HoldsOnly(outer, "parent") || !HoldsOnly(parent, "dest")) std::abort();
    struct stat st;
    if (::lstat(dest.c_str(), &st) == 0 && !orv::RemoveSkinTree(dest)) std::abort();
    return 0;
}
