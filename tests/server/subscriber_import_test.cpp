// Importing many subscribers at once: a good file adds every line in one go, any bad line
// (malformed, overlong, a number taken or given twice) adds nothing and names its line.
#include "server/admin_commands.h"
#include "server/subscriber_db.h"
#include "server/subscriber_import.h"

#include "tests/server/test_folder.h"
#include "wire/password_digest.h"

#include <gtest/gtest.h>

#include <fstream>

namespace orv {
namespace {

class SubscriberImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_db = SubscriberDb::Open(m_folder.File(kSubscriberDbName), &error);
        ASSERT_TRUE(m_db) << error;
        ASSERT_TRUE(m_db->Add("8001", "taken"));
    }
    std::string Write(const std::string& text) {
        const std::string path = m_folder.File("import" + std::to_string(++m_files) + ".txt");
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::size_t Count() {
        std::vector<Subscriber> all;
        EXPECT_TRUE(m_db->List(&all));
        return all.size();
    }
    std::string Import(const std::string& text) {
        bool ok = false;
        const auto lines = RunAdminCommand({"import", Write(text)}, *m_db, nullptr, 0, &ok);
        return lines.empty() ? "" : lines.back();
    }

    TestFolder m_folder;
    std::unique_ptr<SubscriberDb> m_db;
    int m_files = 0;
};

TEST_F(SubscriberImportTest, AddsAGoodFileWholeAndABadOneNotAtAll) {
    EXPECT_EQ(Import("# load test subscribers\n\n9001 pw1\n 9002\tpw2 inactive \n9003 pw3 active"),
              "ADMIN ok import 3");
    Subscriber s;
    ASSERT_TRUE(m_db->Find("9002", &s));
    EXPECT_EQ(s.state, SubscriberState::Inactive);
    EXPECT_EQ(s.digest, PasswordDigest("9002", "pw2"));
    ASSERT_TRUE(m_db->Find("9003", &s));
    EXPECT_EQ(s.state, SubscriberState::Active);
    ASSERT_EQ(Count(), 4u);

    // Each bad file is refused as a whole, with its line, after good lines went in.
    EXPECT_EQ(Import("9100 a\n9101 b\n8001 c\n"), "ADMIN error import: line 3: number 8001 exists already");
    EXPECT_EQ(Import("9100 a\n9100 b\n"), "ADMIN error import: line 2: number 9100 exists already");
    EXPECT_EQ(Import("9100 a\n9101\n"), "ADMIN error import: line 2: expects NUMBER PASSWORD [active|inactive]");
    EXPECT_EQ(Import("9100 a\nno/good b\n"), "ADMIN error import: line 2: invalid number");
    EXPECT_EQ(Import("9100 a\n9101 b frozen\n"), "ADMIN error import: line 2: state must be active or inactive");
    EXPECT_EQ(Import("9100 a\n9101 " + std::string(300, 'x') + "\n9102 c\n"),
              "ADMIN error import: line 2: longer than 256 bytes");
    EXPECT_EQ(Import(std::string("9100 a\n9101 \x01\n")), "ADMIN error import: line 2: invalid password");
    EXPECT_EQ(Count(), 4u);
    bool ok = true;
    const auto missing = RunAdminCommand({"import", m_folder.File("none.txt")}, *m_db, nullptr, 0, &ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(missing.back().find("cannot read"), std::string::npos) << missing.back();
}

} // namespace
} // namespace orv
