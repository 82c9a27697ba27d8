#include "platform/profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

namespace orv {
namespace {

namespace fs = std::filesystem;

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "orv-profile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
        m_file = (fs::path(m_dir) / "test.ini").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Put(const std::string& bytes) {
        std::ofstream(m_file, std::ios::binary) << bytes;
    }
    std::string Contents() const {
        std::ifstream in(m_file, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string Get(const std::string& section, const std::string& key, std::size_t limit = 4096) {
        return GetProfileString(section, key, "<default>", m_file, limit);
    }
    std::size_t FilesInDir() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }

    std::string m_dir;
    std::string m_file;
};

TEST_F(ProfileTest, MissingAndEmptyFilesGiveDefaults) {
    EXPECT_EQ(Get("a", "b"), "<default>");
    EXPECT_EQ(GetProfileInt("a", "b", 17, m_file), 17);
    EXPECT_TRUE(GetProfileSections(m_file).empty());
    EXPECT_TRUE(GetProfileKeys("a", m_file).empty());
    // Deleting from a missing file does not create it.
    EXPECT_TRUE(WriteProfileString("a", "b", nullptr, m_file));
    EXPECT_TRUE(WriteProfileString("a", nullptr, nullptr, m_file));
    EXPECT_FALSE(fs::exists(m_file));

    Put("");
    EXPECT_EQ(Get("a", "b"), "<default>");
    EXPECT_EQ(GetProfileInt("a", "b", -3, m_file), -3);
}

TEST_F(ProfileTest, ReadsCrLfBomBlanksAndNoTrailingNewline) {
    Put("\xEF\xBB\xBF[Main]\r\n  Name = Alice  \r\n; note=hidden\r\nCount=42\r\n\r\n[ Other ]\r\nLast=end");
    EXPECT_EQ(Get("main", "NAME"), "Alice");
    EXPECT_EQ(GetProfileInt("MAIN", "count", 0, m_file), 42);
    EXPECT_EQ(Get("Main", "; note"), "<default>");
    EXPECT_EQ(Get("other", "last"), "end");
    EXPECT_EQ(GetProfileSections(m_file), (std::vector<std::string>{"Main", "Other"}));
}

TEST_F(ProfileTest, DuplicateKeysFirstWinsAndKeysComeInFileOrder) {
    Put("[s]\nzeta=1\nAlpha=2\nZETA=3\nmid=4\n[t]\nalpha=9\n[S]\nlate=5\n");
    EXPECT_EQ(Get("s", "zeta"), "1");
    EXPECT_EQ(GetProfileKeys("s", m_file), (std::vector<std::string>{"zeta", "Alpha", "mid"}));
    EXPECT_EQ(Get("s", "late"), "<default>"); // a repeated section header is not merged
}

TEST_F(ProfileTest, IntegersAndLimits) {
    Put("[n]\na=123xyz\nb=-7\nc=abc\nd=\ne=+5\nbig=99999999999999\nneg=-99999999999999\nlong=abcdef\n");
    EXPECT_EQ(GetProfileInt("n", "a", 1, m_file), 123);
    EXPECT_EQ(GetProfileInt("n", "b", 1, m_file), -7);
    EXPECT_EQ(GetProfileInt("n", "c", 1, m_file), 0);
    EXPECT_EQ(GetProfileInt("n", "d", 1, m_file), 1);
    EXPECT_EQ(GetProfileInt("n", "e", 1, m_file), 5);
    EXPECT_EQ(GetProfileInt("n", "big", 1, m_file), INT_MAX);
    EXPECT_EQ(GetProfileInt("n", "neg", 1, m_file), INT_MIN);
    EXPECT_EQ(Get("n", "long", 4), "abc");
    EXPECT_EQ(Get("n", "long", 1), "");
    EXPECT_EQ(Get("n", "long", 0), "");
    EXPECT_EQ(GetProfileString("n", "missing", "defaultvalue", m_file, 5), "defa");
}

TEST_F(ProfileTest, OverLongLinesAndBinaryJunkDoNotHideOtherKeys) {
    std::string junk("\0\xFF\x01[=]\r", 7);
    Put("[s]\nhuge=" + std::string(200000, 'x') + "\n" + junk + "\nbin=ab" + std::string(1, '\0') +
        "cd\n[" + std::string(100000, 'y') + "\nafter=ok\n");
    EXPECT_EQ(Get("s", "huge", 10), "xxxxxxxxx");
    EXPECT_EQ(Get("s", "huge").size(), 4095u);
    EXPECT_EQ(Get("s", "bin"), "ab");
    EXPECT_EQ(Get("s", "after"), "ok"); // an unclosed '[' line is not a section header
}

TEST_F(ProfileTest, WritesCreateReplaceAndDelete) {
    ASSERT_TRUE(WriteProfileString("Net", "Port", "5000", m_file));
    ASSERT_TRUE(WriteProfileInt("net", "Retries", -1, m_file));
    ASSERT_TRUE(WriteProfileString("Audio", "Device", "wav:in.wav", m_file));
    ASSERT_TRUE(WriteProfileString("NET", "port", "6000", m_file));
    EXPECT_EQ(Contents(), "[Net]\nport=6000\nRetries=-1\n[Audio]\nDevice=wav:in.wav\n");
    EXPECT_EQ(GetProfileInt("net", "PORT", 0, m_file), 6000);

    ASSERT_TRUE(WriteProfileString("net", "port", nullptr, m_file));
    EXPECT_EQ(Get("net", "port"), "<default>");
    EXPECT_EQ(GetProfileKeys("Net", m_file), std::vector<std::string>{"Retries"});

    ASSERT_TRUE(WriteProfileString("audio", nullptr, nullptr, m_file));
    EXPECT_EQ(Contents(), "[Net]\nRetries=-1\n");
}

TEST_F(ProfileTest, RewriteKeepsForeignLinesStyleAndDeletesEveryDuplicate) {
    Put("\xEF\xBB\xBF; header comment\r\n[a]\r\nx=1\r\nnot a key\r\nx=2\r\n\r\n[b]\r\ny=3");
    ASSERT_TRUE(WriteProfileString("a", "new", "v", m_file));
    EXPECT_EQ(Contents(), "\xEF\xBB\xBF; header comment\r\n[a]\r\nx=1\r\nnot a key\r\nx=2\r\nnew=v\r\n\r\n"
                          "[b]\r\ny=3\r\n");
    ASSERT_TRUE(WriteProfileString("a", "x", nullptr, m_file));
    EXPECT_EQ(Get("a", "x"), "<default>"); // the later duplicate does not come back
    EXPECT_EQ(Get("b", "y"), "3");
}

TEST_F(ProfileTest, RefusesTextThatWouldBreakTheFileStructure) {
    ASSERT_TRUE(WriteProfileString("s", "k", "v", m_file));
    const std::string before = Contents();
    EXPECT_FALSE(WriteProfileString("s", "k", "v\n[evil]\nk=x", m_file));
    EXPECT_FALSE(WriteProfileString("s", "a=b", "v", m_file));
    EXPECT_FALSE(WriteProfileString("s]", "k", "v", m_file));
    EXPECT_FALSE(WriteProfileString("", "k", "v", m_file));
    EXPECT_FALSE(WriteProfileString("s", "", "v", m_file));
    EXPECT_FALSE(WriteProfileString("s", ";k", "v", m_file));
    EXPECT_FALSE(WriteProfileString(std::string("s\0t", 3), "k", "v", m_file));
    EXPECT_EQ(Contents(), before);
}

TEST_F(ProfileTest, FailedWriteKeepsTheOldFileWhole) {
    ASSERT_TRUE(WriteProfileString("s", "k", "old", m_file));
    const std::string before = Contents();

    // A file-size limit makes the temporary file's write fail even for root.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteProfileString("s", "big", std::string(1000, 'z').c_str(), m_file);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(Contents(), before);
    EXPECT_EQ(FilesInDir(), 1u); // the temporary file was removed

    // A file that cannot be read is never overwritten.
    fs::remove(m_file);
    fs::create_directory(m_file);
    EXPECT_FALSE(WriteProfileString("s", "k", "v", m_file));
    EXPECT_TRUE(fs::is_directory(m_file));
    // A folder that does not exist: failure, nothing created.
    EXPECT_FALSE(WriteProfileString("s", "k", "v", m_dir + "/nowhere/x.ini"));
}

TEST_F(ProfileTest, ReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write into a read-only folder";
    ASSERT_TRUE(WriteProfileString("s", "k", "old", m_file));
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    const bool written = WriteProfileString("s", "k", "new", m_file);
    fs::permissions(m_dir, fs::perms::owner_all);
    EXPECT_FALSE(written);
    EXPECT_EQ(Get("s", "k"), "old");
}

TEST_F(ProfileTest, OversizedFileReadsAsMissingAndIsNeverRewritten) {
    Put("[s]\nk=v\n" + std::string(kMaxProfileFileBytes, ';'));
    EXPECT_EQ(Get("s", "k"), "<default>");
    EXPECT_FALSE(WriteProfileString("s", "k", "w", m_file));
    EXPECT_EQ(fs::file_size(m_file), kMaxProfileFileBytes + 8);
}

} // namespace
} // namespace orv
