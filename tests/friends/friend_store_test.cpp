// Friend store: one entry per RecordID, the group list, status updates, peer lookup, and a
// reader copying while the network side writes.
#include "client/friends/friend_messages.h"
#include "client/friends/friend_store.h"
#include "client/text/text_table.h"
#include "platform/message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

namespace orv {
namespace {

FriendEntry Friend(std::uint32_t id, const std::string& name, const std::string& group = "",
                   const std::string& netPhone = "", const std::string& phone = "", const std::string& mobile = "") {
    FriendEntry e;
    e.record.recordId = id;
    e.record.friendName = name;
    e.record.group = group;
    e.record.netPhone = netPhone;
    e.record.phone = phone;
    e.record.mobile = mobile;
    return e;
}

class FriendStoreTest : public ::testing::Test {
protected:
    FriendStoreTest() { texts.Fill(); }
    std::vector<FriendEntry> Entries() const {
        std::vector<FriendEntry> entries;
        store.GetFriends(&entries, nullptr);
        return entries;
    }
    std::vector<std::string> Groups() const {
        std::vector<std::string> groups;
        store.GetFriends(nullptr, &groups);
        return groups;
    }
    PeerBlock Lookup(const char* dialled) const {
        PeerBlock peer;
        std::strncpy(peer.dialled, dialled, sizeof peer.dialled - 1);
        std::memset(peer.name, 'x', sizeof peer.name); // stale contents must be replaced
        store.LookupPeer(&peer);
        return peer;
    }

    TextTable texts;
    FriendStore store{texts};
};

TEST_F(FriendStoreTest, SameRecordIdReplacesInPlaceAndLongFieldsAreCut) {
    store.AddFriend(Friend(7, "Ann"));
    store.AddFriend(Friend(9, "Bob"));
    FriendEntry changed = Friend(7, "Annabelle Longname The Third");
    changed.status = 1;
    store.AddFriend(changed);

    const auto entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].record.recordId, 7u); // keeps its place in the list
    EXPECT_EQ(entries[0].record.friendName, "Annabelle Longn");
    EXPECT_EQ(entries[0].status, 1);
    EXPECT_EQ(entries[1].record.friendName, "Bob");
}

TEST_F(FriendStoreTest, NewGroupNamesJoinAfterTheDefaultGroupAndClearResets) {
    EXPECT_EQ(Groups(), std::vector<std::string>{"All"});
    store.AddFriend(Friend(1, "A", "Work"));
    store.AddFriend(Friend(2, "B", ""));       // the default group
    store.AddFriend(Friend(3, "C", "Family"));
    store.AddFriend(Friend(4, "D", "Work"));   // already listed
    EXPECT_EQ(Groups(), (std::vector<std::string>{"All", "Work", "Family"}));

    store.ClearFriends();
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(Groups(), std::vector<std::string>{"All"});
}

TEST_F(FriendStoreTest, StatusAndRemovalOfUnknownRecordsChangeNothing) {
    store.AddFriend(Friend(5, "Eve"));
    const auto before = Entries();
    EXPECT_FALSE(store.SetFriendStatus(6, 1));
    EXPECT_FALSE(store.RemoveFriend(6));
    EXPECT_EQ(Entries(), before);

    EXPECT_TRUE(store.SetFriendStatus(5, 2));
    EXPECT_EQ(Entries()[0].status, 2);
    EXPECT_TRUE(store.RemoveFriend(5));
    EXPECT_TRUE(Entries().empty());
}

TEST_F(FriendStoreTest, LookupPeerFindsTheFirstMatchingFriendAndSplitsTheExtension) {
    store.AddFriend(Friend(1, "Phone owner", "", "111", "010-2345"));
    store.AddFriend(Friend(2, "Orv owner", "", "0102345"));
    store.AddFriend(Friend(3, "Mobile owner", "", "", "", "13900001111"));

    PeerBlock peer = Lookup("0102345*77"); // friend 1's telephone comes before friend 2's number
    EXPECT_STREQ(peer.name, "Phone owner");
    EXPECT_STREQ(peer.kind, "Telephone");
    EXPECT_STREQ(peer.extension, "77");

    peer = Lookup("111");
    EXPECT_STREQ(peer.name, "Phone owner");
    EXPECT_STREQ(peer.kind, "ORV Number");
    EXPECT_STREQ(peer.extension, "");

    peer = Lookup("13900001111");
    EXPECT_STREQ(peer.name, "Mobile owner");
    EXPECT_STREQ(peer.kind, "Mobile");

    peer = Lookup("11"); // the ORV number must match in full
    EXPECT_STREQ(peer.name, "");
    EXPECT_STREQ(peer.kind, "");

    peer = Lookup("*5"); // no number part: friends without a telephone must not match
    EXPECT_STREQ(peer.name, "");
    EXPECT_STREQ(peer.extension, "5");
}

TEST_F(FriendStoreTest, ReadersGetConsistentCopiesWhileWritersChangeTheStore) {
    constexpr std::uint32_t kCount = 2000;
    std::thread writer([&] {
        for (std::uint32_t id = 1; id <= kCount; ++id) {
            store.AddFriend(Friend(id, "F" + std::to_string(id), "G" + std::to_string(id % 3)));
            store.SetFriendStatus(id, 1);
        }
    });
    std::size_t seen = 0;
    while (seen < kCount) {
        std::vector<FriendEntry> entries;
        std::vector<std::string> groups;
        store.GetFriends(&entries, &groups);
        ASSERT_GE(entries.size(), seen);
        ASSERT_EQ(groups.front(), "All");
        for (std::size_t i = 0; i < entries.size(); ++i) ASSERT_EQ(entries[i].record.recordId, i + 1);
        seen = entries.size();
    }
    writer.join();
    EXPECT_EQ(Groups().size(), 4u);
}

TEST(FriendMessagesTest, EntryReachesTheWindowAndIsFreedWhenThereIsNone) {
    FriendEntry entry = Friend(42, "Zed");
    EXPECT_FALSE(PostFriendEntry(0, 0, entry)); // freed at once (the leak check would see it)

    std::unique_ptr<FriendEntry> received;
    WPARAM result = 1;
    FunctionWindow window([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_FRIEND_ENTRY) {
            result = wParam;
            received = TakeFriendEntry(lParam);
        }
        return 0;
    });
    ASSERT_NE(window.Create("friend list"), 0u);
    ASSERT_TRUE(PostFriendEntry(window.GetSafeHwnd(), 0, entry));
    MSG msg;
    ASSERT_TRUE(GetMessageTimeout(&msg, 5000));
    DispatchMessage(&msg);
    ASSERT_TRUE(received);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(*received, entry);
}

} // namespace
} // namespace orv
