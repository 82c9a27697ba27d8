// Address list text file: export and re-import, the reading checks with their texts, and the
// commit rules for duplicate names.
#include "client/friends/address_list_commit.h"
#include "client/friends/address_list_file.h"
#include "client/text/text_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace orv {
namespace {

namespace fs = std::filesystem;

FriendEntry Entry(std::uint32_t id, const std::string& name, const std::string& netPhone, std::uint8_t status = 0) {
    FriendEntry e;
    e.record.recordId = id;
    e.record.userId = "8000";
    e.record.friendName = name;
    e.record.group = "Friends";
    e.record.netPhone = netPhone;
    e.record.phone = "01023456*12";
    e.record.mobile = "";
    e.record.email = "x@example.org";
    e.status = status;
    return e;
}

class AddressListTest : public ::testing::Test {
protected:
    AddressListTest()
        : folder(fs::temp_directory_path() /
                 ("orv-address-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        texts.Fill();
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~AddressListTest() override { fs::remove_all(folder); }

    std::string Write(const std::string& content) {
        const std::string path = (folder / "list.txt").string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string ReadBack(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

    TextTable texts;
    fs::path folder;
};

TEST_F(AddressListTest, ExportThenImportGivesTheSameRecordsWithNamesCut) {
    std::vector<FriendEntry> stored = {Entry(3, "Alice", "8001"), Entry(4, "A name of twenty chars", "8002")};
    stored[1].record.email = "";
    const std::string path = (folder / "out.txt").string();

    AddressListResult exported = ExportAddressList(path, stored, texts);
    ASSERT_TRUE(exported.ok);
    EXPECT_EQ(exported.message, "Exported to file \"" + path + "\" successfully");
    EXPECT_EQ(ReadBack(path), "Alice, Friends, 8001, 01023456*12, , x@example.org\r\n"
                              "A name of twent, Friends, 8002, 01023456*12, , \r\n");

    AddressListResult imported = ImportAddressList(path, texts);
    ASSERT_TRUE(imported.ok) << imported.message;
    EXPECT_EQ(imported.textNumber, 151);
    ASSERT_EQ(imported.records.size(), 2u);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        FriendRecord expected = stored[i].record;
        expected.recordId = 0;    // not in the file
        expected.userId.clear();  // set at commit
        expected.friendName = expected.friendName.substr(0, 15);
        EXPECT_EQ(imported.records[i], expected);
    }
}

TEST_F(AddressListTest, ExportKeepsColumnsAndLinesWhenFieldsHoldSeparators) {
    std::vector<FriendEntry> stored = {Entry(3, "Doe, J\r\nX,,1", "8001")};
    const std::string path = (folder / "out.txt").string();
    ASSERT_TRUE(ExportAddressList(path, stored, texts).ok);
    AddressListResult imported = ImportAddressList(path, texts);
    ASSERT_TRUE(imported.ok) << imported.message;
    ASSERT_EQ(imported.records.size(), 1u);
    EXPECT_EQ(imported.records[0].friendName, "Doe  J  X  1");
    EXPECT_EQ(imported.records[0].netPhone, "8001");
}

TEST_F(AddressListTest, FilesThatCannotBeOpenedGiveTheirTexts) {
    const std::string missing = (folder / "no-such-folder" / "x.txt").string();
    AddressListResult result = ExportAddressList(missing, {Entry(1, "A", "1")}, texts);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Failed to create file \"" + missing + "\"");

    result = ImportAddressList(missing, texts);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "File operation failed: \"" + missing + "\"");
}

TEST_F(AddressListTest, ADashInATelephoneNumberStopsTheImportAtThatLine) {
    const std::string path = Write("Ann, , 8001, 0102345, , \r\nBob, , 8002, 010-2345, 139, b@x\r\nCid, , 8003, , , \r\n");
    AddressListResult result = ImportAddressList(path, texts);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.textNumber, 155);
    EXPECT_EQ(result.errorLine, 2);
    EXPECT_EQ(result.message, "Illegal character found in number string \"010-2345\", line number: 2");
    EXPECT_TRUE(result.records.empty());
}

TEST_F(AddressListTest, AnEmptyLineEndsTheFile) {
    for (const std::string& content : {std::string("Ann,,1,,\r\n\r\nBob,,2,,\r\n"), std::string("Ann,,1,,\n\nBob,,2,,"),
                                       std::string("Ann,,1,,\r\r\njunk without fields")}) {
        AddressListResult result = ParseAddressList(content, texts);
        ASSERT_TRUE(result.ok) << result.message;
        ASSERT_EQ(result.records.size(), 1u);
        EXPECT_EQ(result.records[0].friendName, "Ann");
    }
    AddressListResult leading = ParseAddressList("\r\nAnn,,1,,\r\n", texts);
    ASSERT_TRUE(leading.ok);
    EXPECT_TRUE(leading.records.empty());
}

TEST_F(AddressListTest, FieldsAreTrimmedCutAndTheEmailIsOptional) {
    AddressListResult result = ParseAddressList(
        "  Ann \t,  Work  ,\t8001 , 12*3 , 139 , a@b , extra, columns\n"
        "Bob,,2,,\r"
        "Cid,Group name too long,12345678901234567890123456789012345,,,\r\n",
        texts);
    ASSERT_TRUE(result.ok) << result.message;
    ASSERT_EQ(result.records.size(), 3u);
    const FriendRecord& ann = result.records[0];
    EXPECT_EQ(ann.friendName, "Ann");
    EXPECT_EQ(ann.group, "Work");
    EXPECT_EQ(ann.netPhone, "8001");
    EXPECT_EQ(ann.phone, "12*3");
    EXPECT_EQ(ann.mobile, "139");
    EXPECT_EQ(ann.email, "a@b");
    EXPECT_EQ(result.records[1].email, "");
    EXPECT_EQ(result.records[2].group, "Group name too ");
    EXPECT_EQ(result.records[2].netPhone, "1234567890123456789012345678901");
}

TEST_F(AddressListTest, MissingFieldsLongLinesAndJunkAreFormatErrors) {
    AddressListResult result = ParseAddressList("Ann,,1,,\r\nBob,,2,\r\n", texts);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.textNumber, 156);
    EXPECT_EQ(result.message, "Error data format found in line 2");

    std::string longLine = "Ann,,1,,,"; // the e-mail column takes the length
    longLine.resize(501, 'x');
    result = ParseAddressList("Bob,,2,,\n" + longLine, texts);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorLine, 2);
    longLine.resize(500);
    EXPECT_TRUE(ParseAddressList(longLine, texts).ok); // exactly at the limit is fine

    const std::string junk("\x01\xff\x00,\x80\x00\x7f", 7);
    result = ParseAddressList(junk, texts);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorLine, 1);
}

struct Sent {
    std::vector<FriendEntry> entries;
    FriendSender sender() {
        return [this](const FriendEntry& e) { entries.push_back(e); };
    }
};

FriendRecord Pending(const std::string& name, const std::string& netPhone) {
    FriendRecord r;
    r.friendName = name;
    r.netPhone = netPhone;
    return r;
}

TEST_F(AddressListTest, CommitRefusesDuplicateAndInvalidRecordsBeforeSendingAnything) {
    Sent sent;
    auto never = [](const std::string&) -> DuplicateChoice { ADD_FAILURE(); return {}; };
    CommitResult result = CommitAddressList({Pending("Ann", "1"), Pending("Bob", "2"), Pending("Ann", "3")}, {},
                                            "8000", texts, never, sent.sender());
    EXPECT_EQ(result.status, CommitStatus::kRefused);
    EXPECT_EQ(result.message, "Duplicated name \"Ann\" found in the imported file");

    result = CommitAddressList({Pending("Ann", "1"), Pending("", "2")}, {}, "8000", texts, never, sent.sender());
    EXPECT_EQ(result.status, CommitStatus::kRefused);
    EXPECT_EQ(result.message, "Commit failure, invalid data found");
    EXPECT_TRUE(sent.entries.empty());
}

TEST_F(AddressListTest, CommitAsksPerDuplicateReplacesIgnoresAndStops) {
    const std::vector<FriendEntry> stored = {Entry(10, "Ann", "1", 1), Entry(11, "Bob", "2"), Entry(12, "Cid", "3")};
    const std::vector<FriendRecord> pending = {Pending("New", "9"), Pending("Ann", "4"), Pending("Bob", "5"),
                                               Pending("Cid", "6")};

    // One answer per duplicate: replace Ann, ignore Bob, close the warning at Cid.
    Sent sent;
    std::vector<std::string> asked;
    std::vector<DuplicateAction> answers = {DuplicateAction::kReplace, DuplicateAction::kIgnore, DuplicateAction::kStop};
    CommitResult result = CommitAddressList(pending, stored, "8000", texts,
                                            [&](const std::string& name) {
                                                asked.push_back(name);
                                                return DuplicateChoice{answers[asked.size() - 1], false};
                                            },
                                            sent.sender());
    EXPECT_EQ(result.status, CommitStatus::kStopped);
    EXPECT_EQ(asked, (std::vector<std::string>{"Ann", "Bob", "Cid"}));
    ASSERT_EQ(sent.entries.size(), 2u); // sent before the stop stay sent
    EXPECT_EQ(sent.entries[0].record.recordId, 0u);
    EXPECT_EQ(sent.entries[0].record.userId, "8000");
    EXPECT_EQ(sent.entries[1].record.recordId, 10u); // takes over Ann's identifier and status
    EXPECT_EQ(sent.entries[1].status, 1);
    EXPECT_EQ(sent.entries[1].record.netPhone, "4");

    // "Apply to all records": asked once.
    Sent all;
    asked.clear();
    result = CommitAddressList(pending, stored, "8000", texts,
                               [&](const std::string& name) {
                                   asked.push_back(name);
                                   return DuplicateChoice{DuplicateAction::kIgnore, true};
                               },
                               all.sender());
    EXPECT_EQ(result.status, CommitStatus::kDone);
    EXPECT_EQ(asked.size(), 1u);
    ASSERT_EQ(all.entries.size(), 1u);
    EXPECT_EQ(all.entries[0].record.friendName, "New");
}

} // namespace
} // namespace orv
