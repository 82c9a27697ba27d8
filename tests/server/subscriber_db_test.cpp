#include "server/subscriber_db.h"

#include "tests/server/test_folder.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace orv {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SubscriberDb, KeepsTheDigestOfNumberAndPasswordAcrossReopening) {
    TestFolder folder;
    const std::string path = folder.File(kSubscriberDbName);
    std::string error;
    bool created = false;
    {
        auto db = SubscriberDb::Open(path, &error, &created);
        ASSERT_TRUE(db) << error;
        EXPECT_TRUE(created);
        ASSERT_TRUE(db->Add("8001", "abc")) << db->LastError();
    }
    auto db = SubscriberDb::Open(path, &error, &created);
    ASSERT_TRUE(db) << error;
    EXPECT_FALSE(created);
    Subscriber s;
    ASSERT_TRUE(db->Find("8001", &s));
    // MD5 of "8001abc" as four state words, each from four bytes least significant first.
    EXPECT_EQ(s.digest, "F9C65759-7A4F54A0-07F476AB-839B2A9B");
    EXPECT_EQ(s.state, SubscriberState::Active);
    EXPECT_EQ(ReadAll(path).find("abc"), std::string::npos) << "the password itself is stored";
}

TEST(SubscriberDb, ManagesSubscribers) {
    TestFolder folder;
    std::string error;
    auto db = SubscriberDb::Open(folder.File(kSubscriberDbName), &error);
    ASSERT_TRUE(db) << error;
    ASSERT_TRUE(db->Add("8002", "pw"));
    ASSERT_TRUE(db->Add("8001", "pw"));
    EXPECT_FALSE(db->Add("8001", "other"));
    EXPECT_EQ(db->LastError(), "number exists already");

    EXPECT_FALSE(db->Add("", "pw"));
    EXPECT_FALSE(db->Add(std::string(32, '1'), "pw"));
    EXPECT_FALSE(db->Add("80 01", "pw"));
    EXPECT_FALSE(db->Add("8005", ""));
    EXPECT_FALSE(db->Add("8005", "with blank"));

    CustomInfo custom{7, "Provider", "http://provider/"};
    ASSERT_TRUE(db->SetCustomInfo("8001", custom));
    ASSERT_TRUE(db->SetState("8002", SubscriberState::Inactive));
    EXPECT_FALSE(db->SetState("9999", SubscriberState::Inactive));
    EXPECT_EQ(db->LastError(), "no such number");

    std::vector<Subscriber> all;
    ASSERT_TRUE(db->List(&all));
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].number, "8001");
    EXPECT_EQ(all[0].custom.id, 7u);
    EXPECT_EQ(all[0].custom.url, "http://provider/");
    EXPECT_EQ(all[1].state, SubscriberState::Inactive);

    ASSERT_TRUE(db->Remove("8002"));
    EXPECT_FALSE(db->Remove("8002"));
    Subscriber s;
    EXPECT_FALSE(db->Find("8002", &s));
    EXPECT_TRUE(db->LastError().empty()) << "an unknown number is not a failure";
}

TEST(SubscriberDb, WrongPasswordCountStopsAtTheLimitAndActivationClearsIt) {
    TestFolder folder;
    std::string error;
    auto db = SubscriberDb::Open(folder.File(kSubscriberDbName), &error);
    ASSERT_TRUE(db) << error;
    ASSERT_TRUE(db->Add("8001", "pw"));
    for (int i = 1; i <= kWrongPasswordLimit + 5; ++i) {
        EXPECT_EQ(db->RecordWrongPassword("8001"), std::min(i, kWrongPasswordLimit));
    }
    EXPECT_EQ(db->RecordWrongPassword("9999"), -1);
    ASSERT_TRUE(db->SetState("8001", SubscriberState::Active));
    Subscriber s;
    ASSERT_TRUE(db->Find("8001", &s));
    EXPECT_EQ(s.wrongPasswords, 0);
    EXPECT_EQ(db->RecordWrongPassword("8001"), 1);
    ASSERT_TRUE(db->SetPassword("8001", "new"));
    ASSERT_TRUE(db->Find("8001", &s));
    EXPECT_EQ(s.wrongPasswords, 0);
}

TEST(SubscriberDb, AFileThatIsNotOursIsRefusedAndLeftAlone) {
    TestFolder folder;
    const std::string garbage = folder.File("garbage.db");
    {
        std::ofstream out(garbage, std::ios::binary);
        out << std::string(4096, 'x');
    }
    std::string error;
    EXPECT_FALSE(SubscriberDb::Open(garbage, &error));
    EXPECT_NE(error.find("not a subscriber database"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(garbage), std::string(4096, 'x'));

    // Another program's SQLite database is not taken over either.
    const std::string foreign = folder.File("foreign.db");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES('keep');", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    error.clear();
    EXPECT_FALSE(SubscriberDb::Open(foreign, &error));
    EXPECT_FALSE(error.empty());

    error.clear();
    EXPECT_FALSE(SubscriberDb::Open(folder.File("missing/dir/x.db"), &error));
    EXPECT_FALSE(error.empty());
}

TEST(SubscriberDb, HostileValuesInTheFileAreTamed) {
    TestFolder folder;
    const std::string path = folder.File(kSubscriberDbName);
    std::string error;
    {
        auto db = SubscriberDb::Open(path, &error);
        ASSERT_TRUE(db) << error;
        ASSERT_TRUE(db->Add("8001", "pw"));
        ASSERT_TRUE(db->Add("8002", "pw"));
    }
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "UPDATE subscribers SET wrong_passwords = -5, state = 42 WHERE number = '8001';"
                           "UPDATE subscribers SET wrong_passwords = 1000 WHERE number = '8002';",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    auto db = SubscriberDb::Open(path, &error);
    ASSERT_TRUE(db) << error;
    Subscriber s;
    ASSERT_TRUE(db->Find("8001", &s));
    EXPECT_EQ(s.wrongPasswords, 0);
    EXPECT_EQ(s.state, SubscriberState::Active);
    ASSERT_TRUE(db->Find("8002", &s));
    EXPECT_EQ(s.wrongPasswords, kWrongPasswordLimit);
}

} // namespace
} // namespace orv
