// The friend and service-option tables: the upgrade of a database made before them, their
// limits, and that a removed subscriber takes its rows along.
#include "server/friend_db.h"
#include "server/options_db.h"
#include "server/subscriber_db.h"
#include "tests/server/test_folder.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace orv {
namespace {

std::unique_ptr<SubscriberDb> OpenWith(const TestFolder& folder, std::initializer_list<const char*> numbers) {
    std::string error;
    auto db = SubscriberDb::Open(folder.File(kSubscriberDbName), &error);
    EXPECT_TRUE(db) << error;
    for (const char* n : numbers) EXPECT_TRUE(db && db->Add(n, "pw")) << n;
    return db;
}

FriendRow Row(const std::string& owner, const std::string& name, const std::string& netPhone) {
    FriendRow row;
    row.owner = owner;
    row.name = name;
    row.netPhone = netPhone;
    return row;
}

long long Count(sqlite3* db, const char* sql) {
    sqlite3_stmt* st = nullptr;
    long long n = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
        n = sqlite3_column_int64(st, 0);
    }
    sqlite3_finalize(st);
    return n;
}

TEST(FriendOptionsDb, ADatabaseOfTheFirstVersionIsUpgradedKeepingItsSubscribers) {
    TestFolder folder;
    const std::string path = folder.File(kSubscriberDbName);
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw,
                               "CREATE TABLE subscribers(number TEXT PRIMARY KEY NOT NULL, digest TEXT NOT NULL,"
                               " state INTEGER NOT NULL DEFAULT 1, wrong_passwords INTEGER NOT NULL DEFAULT 0,"
                               " custom_id INTEGER NOT NULL DEFAULT 0, custom_name TEXT NOT NULL DEFAULT '',"
                               " bms_url TEXT NOT NULL DEFAULT '');"
                               "INSERT INTO subscribers(number, digest) VALUES('8001', 'D');"
                               "PRAGMA user_version = 1;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    std::string error;
    bool created = true;
    auto db = SubscriberDb::Open(path, &error, &created);
    ASSERT_TRUE(db) << error;
    EXPECT_FALSE(created);
    Subscriber s;
    ASSERT_TRUE(db->Find("8001", &s));
    EXPECT_EQ(s.digest, "D");
    OptionsDb options(*db);
    char option = 0;
    ASSERT_TRUE(options.GetBindOption("8001", &option)) << options.LastError();
    EXPECT_EQ(option, '0');
    FriendDb friends(*db);
    FriendRow row = Row("8001", "Bob", "8002");
    bool full = false;
    EXPECT_TRUE(friends.Store(&row, &full)) << friends.LastError();
    EXPECT_EQ(Count(db->Handle(), "PRAGMA user_version"), 3);
    // The handset binding: binding keeps the handset's value, unbinding forgets it.
    EXPECT_EQ(s.bindOption, '0');
    EXPECT_TRUE(s.bindValue.empty());
    ASSERT_TRUE(options.SetBindOption("8001", '1', "00c0ffee")) << options.LastError();
    ASSERT_TRUE(db->Find("8001", &s));
    EXPECT_EQ(s.bindOption, '1');
    EXPECT_EQ(s.bindValue, "00c0ffee");
    ASSERT_TRUE(options.SetBindOption("8001", '0', "00c0ffee"));
    ASSERT_TRUE(db->Find("8001", &s));
    EXPECT_EQ(s.bindOption, '0');
    EXPECT_TRUE(s.bindValue.empty());
}

TEST(FriendOptionsDb, ARemovedSubscriberTakesFriendsForwardingAndOfflineCallsAlong) {
    TestFolder folder;
    auto db = OpenWith(folder, {"8001", "8002"});
    ASSERT_TRUE(db);
    FriendDb friends(*db);
    OptionsDb options(*db);
    bool full = false;
    for (const char* owner : {"8001", "8002"}) {
        FriendRow row = Row(owner, "X", "8003");
        ASSERT_TRUE(friends.Store(&row, &full));
        ASSERT_TRUE(options.SetForward(owner, {true, "8003", "", "", ""}));
        ASSERT_TRUE(options.AddOfflineCall({"8003", owner, 1, kOfflineCallTalk}));
    }
    ASSERT_TRUE(db->Remove("8001"));
    EXPECT_EQ(Count(db->Handle(), "SELECT count(*) FROM friends WHERE owner = '8001'"), 0);
    EXPECT_EQ(Count(db->Handle(), "SELECT count(*) FROM forwarding WHERE number = '8001'"), 0);
    EXPECT_EQ(Count(db->Handle(), "SELECT count(*) FROM offline_calls WHERE called = '8001'"), 0);
    EXPECT_EQ(Count(db->Handle(), "SELECT count(*) FROM friends"), 1);
    EXPECT_EQ(Count(db->Handle(), "SELECT count(*) FROM offline_calls"), 1);
    // A new subscriber of the same number starts with nothing.
    ASSERT_TRUE(db->Add("8001", "pw"));
    std::vector<FriendRow> rows;
    ASSERT_TRUE(friends.List("8001", &rows));
    EXPECT_TRUE(rows.empty());
}

TEST(FriendOptionsDb, FriendListsAndOfflineCallsAreBounded) {
    TestFolder folder;
    auto db = OpenWith(folder, {"8001", "8002"});
    ASSERT_TRUE(db);
    FriendDb friends(*db);
    OptionsDb options(*db);
    bool full = false;
    ASSERT_EQ(sqlite3_exec(db->Handle(), "BEGIN", nullptr, nullptr, nullptr), SQLITE_OK);
    for (std::size_t i = 0; i < kMaxFriends; ++i) {
        FriendRow row = Row("8001", "F" + std::to_string(i), "8002");
        ASSERT_TRUE(friends.Store(&row, &full)) << i;
    }
    ASSERT_EQ(sqlite3_exec(db->Handle(), "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    FriendRow oneMore = Row("8001", "Too many", "8002");
    EXPECT_FALSE(friends.Store(&oneMore, &full));
    EXPECT_TRUE(full);
    EXPECT_TRUE(friends.LastError().empty());
    std::vector<std::pair<std::string, std::uint32_t>> holders;
    ASSERT_TRUE(friends.HoldersOf("8002", &holders));
    EXPECT_EQ(holders.size(), kMaxFriends);

    for (std::uint32_t t = 1; t <= kMaxOfflineCalls + 5; ++t) {
        ASSERT_TRUE(options.AddOfflineCall({"8001", "8002", t, kOfflineCallTalk}));
    }
    std::vector<OfflineCall> calls;
    ASSERT_TRUE(options.TakeOfflineCalls("8002", &calls));
    ASSERT_EQ(calls.size(), kMaxOfflineCalls);
    EXPECT_EQ(calls.front().time, 6u) << "the newest are kept, oldest first";
    EXPECT_EQ(calls.back().time, kMaxOfflineCalls + 5);
    ASSERT_TRUE(options.TakeOfflineCalls("8002", &calls));
    EXPECT_TRUE(calls.empty());
}

TEST(FriendOptionsDb, RecordIdentifiersAreNeverReused) {
    TestFolder folder;
    auto db = OpenWith(folder, {"8001"});
    ASSERT_TRUE(db);
    FriendDb friends(*db);
    bool full = false;
    FriendRow a = Row("8001", "A", "8002");
    ASSERT_TRUE(friends.Store(&a, &full));
    ASSERT_TRUE(friends.Remove("8001", a.recordId));
    FriendRow b = Row("8001", "B", "8002");
    ASSERT_TRUE(friends.Store(&b, &full));
    EXPECT_GT(b.recordId, a.recordId);
    EXPECT_FALSE(friends.Remove("8001", a.recordId));
    EXPECT_TRUE(friends.LastError().empty());
}

TEST(FriendOptionsDb, DigestsMustHaveTheDigestForm) {
    EXPECT_TRUE(IsValidDigest("F9C65759-7A4F54A0-07F476AB-839B2A9B"));
    EXPECT_FALSE(IsValidDigest("f9c65759-7a4f54a0-07f476ab-839b2a9b"));
    EXPECT_FALSE(IsValidDigest("F9C65759-7A4F54A0-07F476AB-839B2A9"));
    EXPECT_FALSE(IsValidDigest("F9C65759+7A4F54A0-07F476AB-839B2A9B"));
    EXPECT_FALSE(IsValidDigest(""));
}

} // namespace
} // namespace orv
