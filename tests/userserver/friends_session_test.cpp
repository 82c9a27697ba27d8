// Friends and presence through the handler's real receive path: the index, the details
// fetched last first, storing, changing and deleting records, and status pushes.
#include "client/friends/friend_messages.h"
#include "client/friends/friend_packets.h"
#include "tests/handlers/session_fixture.h"

namespace orv::test {
namespace {

std::vector<std::uint8_t> Body(const std::vector<std::uint8_t>& packet) {
    return std::vector<std::uint8_t>(packet.begin() + kPacketHeaderSize, packet.end());
}

std::uint32_t RecordIdOf(const Datagram& d) { return GetU32LE(d.payload.data() + kPacketHeaderSize); }

FriendEntry Friend(std::uint32_t id, const std::string& name, const std::string& group, std::uint8_t status = 0) {
    FriendEntry e;
    e.record.recordId = id;
    e.record.userId = "8001";
    e.record.friendName = name;
    e.record.netPhone = "900" + std::to_string(id);
    e.record.group = group;
    e.status = status;
    return e;
}

class FriendsSession : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        m_handler->SetFriendListWindow(m_window->GetSafeHwnd());
        LogOn();
    }
    void TearDown() override {
        for (MSG& m : TakeMessages())
            if (m.message == WM_FRIEND_ENTRY) TakeFriendEntry(m.lParam); // frees it
        m_messages.clear();
        SessionTest::TearDown();
    }
    // Friend-list messages of one kind posted for everything the server sent so far (a
    // handler may log before it posts, so the fence, not a log line, says it is done).
    std::vector<MSG> Messages(UINT message) {
        Fence();
        std::vector<MSG> out;
        for (const MSG& m : TakeMessages())
            if (m.message == message) out.push_back(m);
        return out;
    }
    void AnswerDetail(const Datagram& request, const FriendEntry& entry) {
        FriendDetailAnswer answer;
        answer.entry = entry;
        m_server.Send(PKT_FRIEND_DETAIL, request.seqNum, Body(BuildFriendDetailAnswer(answer)));
    }
    // The index with these identifiers, answered detail by detail with the given entries.
    void LoadFriends(const std::vector<FriendEntry>& entries) {
        m_handler->DoGetInfoRequest(PKT_FRIEND_INDEX, 5, 0);
        Datagram index = Expect(PKT_FRIEND_INDEX);
        FriendIndexAnswer answer;
        for (const FriendEntry& e : entries) answer.recordIds.push_back(e.record.recordId);
        m_server.Send(PKT_FRIEND_INDEX, index.seqNum, Body(BuildFriendIndexAnswer(answer)));
        for (std::size_t i = entries.size(); i-- > 0;) {
            Datagram detail = Expect(PKT_FRIEND_DETAIL);
            EXPECT_EQ(RecordIdOf(detail), entries[i].record.recordId);
            AnswerDetail(detail, entries[i]);
        }
        Fence();
    }
    std::vector<FriendEntry> Stored(std::vector<std::string>* groups = nullptr) {
        std::vector<FriendEntry> entries;
        m_handler->Friends().GetFriends(&entries, groups);
        return entries;
    }
};

TEST_F(FriendsSession, IndexFetchesDetailsLastFirstAndEachDetailReachesTheWindow) {
    LoadFriends({Friend(11, "Ann", ""), Friend(12, "Bob", "Work"), Friend(13, "Cid", "Home", 1)});
    EXPECT_TRUE(WaitLog("Get Friends Index Info Success Count=3"));
    EXPECT_TRUE(WaitLog("DoGetFriendDetail RecordID=13"));
    EXPECT_TRUE(WaitLog("Get FriendDetailInfo Success, recordID=12, name=Bob"));

    std::vector<std::string> groups;
    std::vector<FriendEntry> stored = Stored(&groups);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].record.friendName, "Cid"); // arrival order: the last identifier first
    EXPECT_EQ(stored[2].record.friendName, "Ann");
    EXPECT_EQ(groups, (std::vector<std::string>{"All", "Home", "Work"}));

    std::vector<MSG> entries = Messages(WM_FRIEND_ENTRY);
    ASSERT_EQ(entries.size(), 3u);
    for (const MSG& m : entries) EXPECT_EQ(m.wParam, 0u);
    std::unique_ptr<FriendEntry> first = TakeFriendEntry(entries[0].lParam);
    entries[0].lParam = 0;
    EXPECT_EQ(*first, Friend(13, "Cid", "Home", 1));
    m_messages.clear();
    for (std::size_t i = 1; i < entries.size(); ++i) TakeFriendEntry(entries[i].lParam);
}

TEST_F(FriendsSession, SameRecordIdReplacesAndANewGroupJoinsAfterTheDefault) {
    LoadFriends({Friend(5, "Ann", "")});
    m_handler->DoGetFriendDetail(5);
    AnswerDetail(Expect(PKT_FRIEND_DETAIL), Friend(5, "Annie", "Club"));
    Fence();
    std::vector<std::string> groups;
    std::vector<FriendEntry> stored = Stored(&groups);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].record.friendName, "Annie");
    EXPECT_EQ(groups, (std::vector<std::string>{"All", "Club"}));
}

TEST_F(FriendsSession, IndexNotReadyIsAskedAgainOneSecondLater) {
    m_handler->DoGetInfoRequest(PKT_FRIEND_INDEX, 5, 0);
    Datagram index = Expect(PKT_FRIEND_INDEX);
    m_server.Send(PKT_FRIEND_INDEX, index.seqNum, U16(0xFFFF));
    Fence();
    Advance(900);
    EXPECT_FALSE(m_server.Receive(200).has_value()) << "asked again too early";
    Advance(200);
    Datagram again = Expect(PKT_FRIEND_INDEX);
    EXPECT_EQ(again.payload.size(), 8u);
}

TEST_F(FriendsSession, FailedDetailRemovesTheRequestedRecord) {
    LoadFriends({Friend(7, "Ann", "")});
    m_handler->DoGetFriendDetail(7);
    Datagram detail = Expect(PKT_FRIEND_DETAIL);
    m_server.Send(PKT_FRIEND_DETAIL, detail.seqNum, Cat({U8(255), U32(static_cast<std::uint32_t>(-3))}));
    EXPECT_TRUE(WaitLog("Get FriendDetailInfo Failed, recordID=7, reason=-3"));
    EXPECT_TRUE(Stored().empty());
}

TEST_F(FriendsSession, SetSendsTheOwnNumberAndStoresUnderTheServersId) {
    FriendEntry entry = Friend(0, "Dan", "Work");
    entry.record.userId = "someone else";
    ASSERT_NE(m_handler->DoSetFriendInfo(&entry), 0);
    EXPECT_EQ(entry.record.userId, "8001"); // the caller's record is updated too
    Datagram set = Expect(PKT_SET_FRIEND);
    ASSERT_EQ(set.payload.size(), 205u);
    FriendEntry sent;
    ASSERT_TRUE(ParseSetFriendRequest(set.payload.data() + 8, 197, &sent));
    EXPECT_EQ(sent.record.userId, "8001");
    m_server.Send(PKT_SET_FRIEND, set.seqNum, Cat({U8(0), U32(42)}));
    EXPECT_TRUE(WaitLog("Set FriendInfo Success RecordID = 42"));
    ASSERT_EQ(Stored().size(), 1u);
    EXPECT_EQ(Stored()[0].record.recordId, 42u);

    // A refusal hands the requested entry back with the result.
    FriendEntry other = Friend(0, "Eve", "");
    m_handler->DoSetFriendInfo(&other);
    m_server.Send(PKT_SET_FRIEND, Expect(PKT_SET_FRIEND).seqNum, Cat({U8(255), U32(9)}));
    EXPECT_TRUE(WaitLog("Set FriendInfo Failed Reason=9"));
    std::vector<MSG> entries = Messages(WM_FRIEND_ENTRY);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].wParam, 0u);
    EXPECT_EQ(entries[1].wParam, 255u);
    m_messages.clear();
    EXPECT_EQ(TakeFriendEntry(entries[0].lParam)->record.recordId, 42u);
    EXPECT_EQ(TakeFriendEntry(entries[1].lParam)->record.friendName, "Eve");
    EXPECT_EQ(Stored().size(), 1u);
}

TEST_F(FriendsSession, RefusedDeleteWithReasonMinus2StillRemovesOtherReasonsKeep) {
    LoadFriends({Friend(21, "Ann", ""), Friend(22, "Bob", "")});
    m_handler->DoDelFriendInfo(21);
    m_server.Send(PKT_DEL_FRIEND, Expect(PKT_DEL_FRIEND).seqNum, Cat({U8(255), U32(static_cast<std::uint32_t>(-2))}));
    m_handler->DoDelFriendInfo(22);
    m_server.Send(PKT_DEL_FRIEND, Expect(PKT_DEL_FRIEND).seqNum, Cat({U8(255), U32(static_cast<std::uint32_t>(-5))}));
    Fence();
    std::vector<FriendEntry> stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].record.recordId, 22u);
    std::vector<MSG> deleted = Messages(WM_FRIEND_DELETED);
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(deleted[0].wParam, 0u);
    EXPECT_EQ(deleted[0].lParam, 21);
    EXPECT_EQ(deleted[1].wParam, 255u);
    EXPECT_EQ(deleted[1].lParam, 0);
}

TEST_F(FriendsSession, StatusPushForAnUnknownRecordPostsNothing) {
    LoadFriends({Friend(31, "Ann", "")});
    m_server.Send(PKT_FRIEND_STATUS, 0, Cat({U8(1), U32(99)}));
    m_server.Send(PKT_FRIEND_STATUS, 0, Cat({U8(1), U32(31)}));
    Fence();
    EXPECT_TRUE(WaitLog("OnFriendStatus changed failed RecordID=99, Status=1, maybe it is not my friend"));
    std::vector<MSG> status = Messages(WM_FRIEND_STATUS);
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0].wParam, 31u);
    EXPECT_EQ(status[0].lParam, 1);
    EXPECT_EQ(Stored()[0].status, 1);
    EXPECT_FALSE(m_server.Receive(100).has_value()) << "a push is not answered";
}

TEST_F(FriendsSession, CancelledLogonClearsTheList) {
    LoadFriends({Friend(41, "Ann", "Club")});
    m_handler->CancelLogin();
    std::vector<std::string> groups;
    EXPECT_TRUE(Stored(&groups).empty());
    EXPECT_EQ(groups, std::vector<std::string>{"All"});
}

} // namespace
} // namespace orv::test
