// Skin archives: unpacking hand-built archives exactly, refusing hostile ones without
// writing anything, packing round trips, removing the unpacked tree.
#include "client/data/scramble.h"
#include "client/data/skin_archive.h"
#include "client/data/skin_pack.h"
#include "client/data/skin_unpack.h"
#include "tests/localdata/temp_folder.h"
#include "wire/byte_order.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// Builds an archive by hand, node by node, without the packer.
class ArchiveBuilder {
public:
    // Adds a node and returns its index (the first one is the root).
    std::uint32_t Node(std::uint8_t type, const std::string& name, std::uint32_t next = 0,
                       std::uint32_t child = 0, const std::string& data = "") {
        m_nodes.push_back({type, name, next, child, data});
        return static_cast<std::uint32_t>(m_nodes.size() - 1);
    }
    void Link(std::uint32_t node, std::uint32_t next, std::uint32_t child) {
        m_nodes[node].next = next;
        m_nodes[node].child = child;
    }
    std::vector<std::uint8_t> Plain() const {
        std::vector<std::uint8_t> out(17 + 273 * m_nodes.size(), 0);
        for (std::size_t i = 0; i < m_nodes.size(); ++i) {
            const auto& n = m_nodes[i];
            std::uint8_t* p = out.data() + 17 + 273 * i;
            p[0] = n.type;
            if (n.type == 0) {
                PutU32LE(p + 1, static_cast<std::uint32_t>(out.size()));
                PutU32LE(p + 5, static_cast<std::uint32_t>(n.data.size()));
                out.insert(out.end(), n.data.begin(), n.data.end());
                p = out.data() + 17 + 273 * i; // the insert may have moved the buffer
            }
            std::memcpy(p + 9, n.name.data(), std::min<std::size_t>(n.name.size(), 256));
            PutU32LE(p + 265, n.next);
            PutU32LE(p + 269, n.child);
        }
        return out;
    }
    std::vector<std::uint8_t> Scrambled() const {
        auto bytes = Plain();
        ScrambleBlock(bytes.data(), bytes.size(), kSkinArchiveKey);
        return bytes;
    }

private:
    struct Raw {
        std::uint8_t type;
        std::string name;
        std::uint32_t next, child;
        std::string data;
    };
    std::vector<Raw> m_nodes;
};

// Every file and folder under root, relative path -> contents ("/" for folders).
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        tree[relative] = entry.is_directory() ? "/" : test::ReadText(entry.path().string());
    }
    return tree;
}

TEST(SkinArchive, UnpacksTheNodeTreeIntoTheDestination) {
    ArchiveBuilder b;
    const auto root = b.Node(1, "ignored root name");
    const auto main = b.Node(1, "MainDlg");
    const auto conf = b.Node(1, "ConfDlg");
    const auto ini = b.Node(0, "mainbody.ini", 0, 0, "[Main]\r\nx=1\r\n");
    const auto pic = b.Node(0, "bk.bmp", 0, 0, std::string("BM\0\1\2", 5));
    const auto empty = b.Node(0, "empty.txt", 0, 0, "");
    b.Link(root, 0, main);
    b.Link(main, conf, ini);
    b.Link(ini, pic, 0);
    b.Link(conf, empty, 0); // a file after the folder, in the root
    TempFolder temp;
    const std::string dest = temp.File("SkinFile");
    std::string error;
    ASSERT_TRUE(UnpackSkinBytes(b.Scrambled(), dest, &error)) << error;
    const std::map<std::string, std::string> expected = {
        {"MainDlg", "/"}, {"MainDlg/mainbody.ini", "[Main]\r\nx=1\r\n"},
        {"MainDlg/bk.bmp", std::string("BM\0\1\2", 5)}, {"ConfDlg", "/"}, {"empty.txt", ""}};
    EXPECT_EQ(Tree(dest), expected);
}

TEST(SkinArchive, EmptyRootCreatesOnlyTheDestinationAndFoldersMerge) {
    TempFolder temp;
    const std::string dest = temp.File("SkinFile");
    ArchiveBuilder emptyRoot;
    emptyRoot.Node(1, "root");
    ASSERT_TRUE(UnpackSkinBytes(emptyRoot.Scrambled(), dest));
    EXPECT_TRUE(fs::is_directory(dest));
    EXPECT_TRUE(fs::is_empty(dest));

    // Two archives into one folder: folders merge, a file of the same name is overwritten.
    ArchiveBuilder first;
    first.Node(1, "root", 0, 1);
    first.Node(1, "CfgDlg", 0, 2);
    first.Node(0, "theme.ini", 3, 0, "first version, longer");
    first.Node(0, "a.bmp", 0, 0, "A");
    ArchiveBuilder second;
    second.Node(1, "root", 0, 1);
    second.Node(1, "CfgDlg", 0, 2);
    second.Node(0, "theme.ini", 3, 0, "second");
    second.Node(0, "b.bmp", 0, 0, "B");
    ASSERT_TRUE(UnpackSkinBytes(first.Scrambled(), dest));
    ASSERT_TRUE(UnpackSkinBytes(second.Scrambled(), dest));
    const std::map<std::string, std::string> expected = {
        {"CfgDlg", "/"}, {"CfgDlg/theme.ini", "second"}, {"CfgDlg/a.bmp", "A"}, {"CfgDlg/b.bmp", "B"}};
    EXPECT_EQ(Tree(dest), expected);

    EXPECT_TRUE(RemoveSkinTree(dest));
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_TRUE(fs::is_empty(temp.Path()));
}

TEST(SkinArchive, HostileArchivesFailWithoutWritingAnything) {
    struct Case {
        const char* what;
        std::function<void(ArchiveBuilder&)> build;
    };
    const Case cases[] = {
        {"parent folder name", [](ArchiveBuilder& b) { b.Node(1, "r", 0, 1); b.Node(0, "..", 0, 0, "x"); }},
        {"dot name", [](ArchiveBuilder& b) { b.Node(1, "r", 0, 1); b.Node(1, "."); }},
        {"slash in name", [](ArchiveBuilder& b) { b.Node(1, "r", 0, 1); b.Node(0, "a/../../evil", 0, 0, "x"); }},
        {"backslash in name", [](ArchiveBuilder& b) { b.Node(1, "r", 0, 1); b.Node(0, "..\\evil", 0, 0, "x"); }},
        {"empty name", [](ArchiveBuilder& b) { b.Node(1, "r", 0, 1); b.Node(0, "", 0, 0, "x"); }},
        {"name without end", [](ArchiveBuilder& b) { b.Node(1, "r", 0, 1); b.Node(0, std::string(256, 'n'), 0, 0, "x"); }},
        {"child outside", [](ArchiveBuilder& b) { b.Node(1, "r", 0, 7); }},
        {"sibling outside", [](ArchiveBuilder& b) { b.Node(1, "r", 0, 1); b.Node(0, "ok", 99, 0, "x"); }},
        {"sibling loop", [](ArchiveBuilder& b) { b.Node(1, "r", 0, 1); b.Node(0, "a", 2, 0, "x"); b.Node(0, "b", 1, 0, "y"); }},
        {"folder contains itself", [](ArchiveBuilder& b) { b.Node(1, "r", 0, 1); b.Node(1, "a", 0, 1); }},
        {"root sibling", [](ArchiveBuilder& b) { b.Node(1, "r", 1, 0); b.Node(1, "outside"); }},
        {"root is a file", [](ArchiveBuilder& b) { b.Node(0, "r", 0, 0, "x"); }},
        {"unknown type", [](ArchiveBuilder& b) { b.Node(1, "r", 0, 1); b.Node(2, "odd"); }},
    };
    TempFolder temp;
    for (const Case& c : cases) {
        ArchiveBuilder b;
        c.build(b);
        std::string error;
        EXPECT_FALSE(UnpackSkinBytes(b.Scrambled(), temp.File("dest"), &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_TRUE(fs::is_empty(temp.Path())) << c.what;
    }

    // File data beyond the archive's end.
    ArchiveBuilder b;
    b.Node(1, "r", 0, 1);
    b.Node(0, "big", 0, 0, "abc");
    auto plain = b.Plain();
    PutU32LE(plain.data() + 17 + 273 + 5, 4); // size one past the end
    ScrambleBlock(plain.data(), plain.size(), kSkinArchiveKey);
    EXPECT_FALSE(UnpackSkinBytes(plain, temp.File("dest")));
    EXPECT_TRUE(fs::is_empty(temp.Path()));

    // Too short for a root, and a missing archive file.
    EXPECT_FALSE(UnpackSkinBytes(std::vector<std::uint8_t>(200, 1), temp.File("dest")));
    EXPECT_FALSE(UnpackSkinArchive(temp.File("absent.dat"), temp.File("dest")));
    EXPECT_TRUE(fs::is_empty(temp.Path()));
}

TEST(SkinArchive, PackThenUnpackGivesTheSameTreeByteForByte) {
    TempFolder temp;
    const std::string source = temp.File("skin");
    fs::create_directories(source + "/MainDlg/icons");
    fs::create_directories(source + "/VideoDlg");
    fs::create_directories(source + "/Empty/Deeper");
    std::mt19937 random(3);
    std::string blob(70000, '\0');
    for (char& c : blob) c = static_cast<char>(random());
    test::WriteText(source + "/MainDlg/mainbody.ini", "[Window]\r\nName=Main\r\n");
    test::WriteText(source + "/MainDlg/icons/big.bmp", blob);
    test::WriteText(source + "/MainDlg/icons/zero.bmp", "");
    test::WriteText(source + "/VideoDlg/videoWin.ini", "x");
    test::WriteText(source + "/top.txt", "top");

    std::vector<std::uint8_t> archive;
    std::string error;
    ASSERT_TRUE(PackSkinFolder(source, &archive, &error)) << error;
    test::WriteBytes(temp.File("orv.dat"), archive);
    ASSERT_TRUE(UnpackSkinArchive(temp.File("orv.dat"), temp.File("out"), &error)) << error;
    EXPECT_EQ(Tree(temp.File("out")), Tree(source));

    // Packing is deterministic: the same folder gives the same archive.
    std::vector<std::uint8_t> again;
    ASSERT_TRUE(PackSkinFolder(source, &again, &error));
    EXPECT_EQ(again, archive);
}

TEST(SkinArchive, PackRefusesWhatCannotRoundTrip) {
    TempFolder temp;
    const std::string source = temp.File("skin");
    fs::create_directories(source);
    test::WriteText(source + "/a\\b.ini", "x");
    std::vector<std::uint8_t> archive;
    std::string error;
    EXPECT_FALSE(PackSkinFolder(source, &archive, &error));
    EXPECT_NE(error.find("a\\b.ini"), std::string::npos);
    fs::remove(source + "/a\\b.ini");
    fs::create_symlink("/etc/passwd", source + "/link");
    EXPECT_FALSE(PackSkinFolder(source, &archive, &error));
    EXPECT_FALSE(PackSkinFolder(temp.File("absent"), &archive, &error));
}

} // namespace
} // namespace orv
