// skinpack: builds a skin archive ("orv.dat", "Conf.dat") from a folder, and unpacks or
// lists one to check it.
//   skinpack pack FOLDER ARCHIVE     the folder's tree becomes the archive
//   skinpack unpack ARCHIVE FOLDER   the archive's tree is written into FOLDER
//   skinpack list ARCHIVE            prints the archive's folders and files
#include "client/data/atomic_file.h"
#include "client/data/scramble.h"
#include "client/data/skin_archive.h"
#include "client/data/skin_pack.h"
#include "client/data/skin_unpack.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: skinpack pack FOLDER ARCHIVE\n"
                         "       skinpack unpack ARCHIVE FOLDER\n"
                         "       skinpack list ARCHIVE\n");
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "skinpack: %s\n", message.c_str());
    return 1;
}

int Pack(const std::string& folder, const std::string& archivePath) {
    std::vector<std::uint8_t> archive;
    std::string error;
    if (!orv::PackSkinFolder(folder, &archive, &error)) return Fail(error);
    if (!orv::WriteFileAtomically(archivePath, archive)) return Fail("cannot write " + archivePath);
    return 0;
}

int Unpack(const std::string& archivePath, const std::string& folder) {
    std::string error;
    return orv::UnpackSkinArchive(archivePath, folder, &error) ? 0 : Fail(error);
}

int List(const std::string& archivePath) {
    std::vector<std::uint8_t> archive;
    if (!orv::ReadFileBytes(archivePath, orv::kMaxSkinArchiveSize, &archive)) {
        return Fail("cannot read " + archivePath);
    }
    orv::UnscrambleBlock(archive.data(), archive.size(), orv::kSkinArchiveKey);
    std::vector<orv::SkinEntry> entries;
    std::string error;
    if (!orv::ListSkinArchive(archive, &entries, &error)) return Fail("damaged archive: " + error);
    for (const orv::SkinEntry& entry : entries) {
        if (entry.path.empty()) continue;
        if (entry.folder) {
            std::printf("%s/\n", entry.path.c_str());
        } else {
            std::printf("%s %u\n", entry.path.c_str(), entry.dataSize);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "pack") return Pack(args[1], args[2]);
    if (args.size() == 3 && args[0] == "unpack") return Unpack(args[1], args[2]);
    if (args.size() == 2 && args[0] == "list") return List(args[1]);
    return Usage();
}
