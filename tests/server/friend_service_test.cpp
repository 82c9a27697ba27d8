// The server's friend requests and presence pushes, read back with the client's own friend
// packet parsers so both sides agree on every byte.
#include "client/friends/friend_packets.h"
#include "server/options_db.h"
#include "tests/server/server_session_fixture.h"

#include <condition_variable>
#include <mutex>

namespace orv {
namespace {

// The friend packet types.
constexpr std::uint16_t kIndex = 0x0105;
constexpr std::uint16_t kDetail = 0x0106;
constexpr std::uint16_t kSet = 0x0107;
constexpr std::uint16_t kDel = 0x0108;
constexpr std::uint16_t kStatus = 0x01FF;

Bytes BodyOf(const Bytes& packet) { return Bytes(packet.begin() + kPacketHeaderSize, packet.end()); }

FriendEntry Friend(const std::string& name, const std::string& netPhone, std::uint32_t recordId = 0) {
    FriendEntry e;
    e.record.recordId = recordId;
    e.record.userId = "someone-else"; // the server takes the sender as the owner
    e.record.friendName = name;
    e.record.netPhone = netPhone;
    e.record.phone = "0105551234";
    e.record.email = "f@example.org";
    e.record.group = "Work";
    return e;
}

class FriendServiceTest : public ServerSessionTest {
protected:
    std::vector<std::uint32_t> Index(const std::string& number, bool* notReady = nullptr) {
        FriendIndexAnswer answer;
        const SentPacket s = Ask(number, kIndex);
        EXPECT_TRUE(ParseFriendIndexAnswer(s.Body(), s.BodySize(), &answer));
        if (notReady != nullptr) *notReady = answer.notReady;
        return answer.recordIds;
    }
    SetFriendAnswer Set(const std::string& number, const FriendEntry& entry) {
        SetFriendAnswer answer;
        const SentPacket s = Ask(number, kSet, BodyOf(BuildSetFriendRequest(entry)));
        EXPECT_TRUE(ParseSetFriendAnswer(s.Body(), s.BodySize(), &answer));
        return answer;
    }
    FriendDetailAnswer Detail(const std::string& number, std::uint32_t recordId) {
        FriendDetailAnswer answer;
        const SentPacket s = Ask(number, kDetail, BodyOf(BuildFriendDetailRequest(recordId)));
        EXPECT_TRUE(ParseFriendDetailAnswer(s.Body(), s.BodySize(), &answer));
        return answer;
    }
    DelFriendAnswer Delete(const std::string& number, std::uint32_t recordId) {
        DelFriendAnswer answer;
        const SentPacket s = Ask(number, kDel, BodyOf(BuildDelFriendRequest(recordId)));
        EXPECT_TRUE(ParseDelFriendAnswer(s.Body(), s.BodySize(), &answer));
        return answer;
    }
    // The status pushes that went to number in the latest step.
    std::vector<FriendStatusPush> Pushes(const std::string& number) {
        std::vector<FriendStatusPush> pushes;
        for (const SentPacket& s : SentTo(number, kStatus)) {
            FriendStatusPush push;
            EXPECT_TRUE(ParseFriendStatusPush(s.Body(), s.BodySize(), &push));
            pushes.push_back(push);
        }
        return pushes;
    }
    void LogOut(const std::string& number, std::uint32_t endpoint) {
        ByteWriter w;
        w.U32LE(endpoint);
        w.U32LE(1);
        Feed(BuildPacket(kPktLogout, 3, w.Get()), PortOf(number));
    }
    std::uint32_t EndpointOf(const std::string& number) {
        Session s;
        EXPECT_TRUE(m_server->Sessions().FindLiveByNumber(number, 0, &s));
        return s.endpoint;
    }
};

TEST_F(FriendServiceTest, StoresChangesAndDeletesRecordsOfTheSenderOnly) {
    LogOn("8001");
    EXPECT_TRUE(Index("8001").empty());

    const SetFriendAnswer added = Set("8001", Friend("Bob", "8002"));
    ASSERT_EQ(added.result, 0);
    ASSERT_NE(added.recordId, 0u);
    const SetFriendAnswer second = Set("8001", Friend("Carol", "8003"));
    ASSERT_EQ(second.result, 0);
    EXPECT_EQ(Index("8001"), (std::vector<std::uint32_t>{added.recordId, second.recordId}));

    FriendDetailAnswer detail = Detail("8001", added.recordId);
    ASSERT_EQ(detail.result, 0);
    EXPECT_EQ(detail.entry.record.recordId, added.recordId);
    EXPECT_EQ(detail.entry.record.userId, "8001");
    EXPECT_EQ(detail.entry.record.friendName, "Bob");
    EXPECT_EQ(detail.entry.record.netPhone, "8002");
    EXPECT_EQ(detail.entry.record.phone, "0105551234");
    EXPECT_EQ(detail.entry.record.email, "f@example.org");
    EXPECT_EQ(detail.entry.record.group, "Work");
    EXPECT_EQ(detail.entry.status, 0) << "8002 is off line";

    // The same RecordID replaces the record.
    ASSERT_EQ(Set("8001", Friend("Robert", "8002", added.recordId)).recordId, added.recordId);
    EXPECT_EQ(Detail("8001", added.recordId).entry.record.friendName, "Robert");
    EXPECT_EQ(Index("8001").size(), 2u);

    // Another subscriber neither sees nor changes nor deletes 8001's records.
    LogOn("8003");
    EXPECT_TRUE(Index("8003").empty());
    FriendDetailAnswer foreign = Detail("8003", added.recordId);
    EXPECT_EQ(foreign.result, 255);
    EXPECT_EQ(foreign.reason, -2);
    EXPECT_EQ(Set("8003", Friend("Mallory", "8002", added.recordId)).reason, -2);
    EXPECT_EQ(Delete("8003", added.recordId).reason, -2);
    EXPECT_EQ(Detail("8001", added.recordId).entry.record.friendName, "Robert");

    // A deleted record is gone; deleting it again is refused with -2, which the client
    // takes as gone as well.
    EXPECT_EQ(Delete("8001", added.recordId).result, 0);
    const DelFriendAnswer again = Delete("8001", added.recordId);
    EXPECT_EQ(again.result, 255);
    EXPECT_TRUE(DelFriendAnswerRemoves(again));
    EXPECT_EQ(Detail("8001", added.recordId).reason, -2);
    EXPECT_EQ(Index("8001"), (std::vector<std::uint32_t>{second.recordId}));

    // The list comes from the database at the next logon just as it was.
    StartServer();
    LogOn("8001");
    EXPECT_EQ(Index("8001"), (std::vector<std::uint32_t>{second.recordId}));
    EXPECT_EQ(Detail("8001", second.recordId).entry.record.friendName, "Carol");
}

TEST_F(FriendServiceTest, RefusesEmptyRecordsAndDropsMalformedOrUnregisteredRequests) {
    LogOn("8001");
    FriendEntry empty;
    EXPECT_EQ(Set("8001", empty).reason, -11);
    EXPECT_TRUE(Index("8001").empty());

    const Bytes setBody = BodyOf(BuildSetFriendRequest(Friend("Bob", "8002")));
    Bytes shortBody(setBody.begin(), setBody.end() - 1);
    Bytes longBody = setBody;
    longBody.push_back(0);
    for (const Bytes& body : {shortBody, longBody}) {
        EXPECT_TRUE(Feed(BuildPacket(kSet, 5, body), PortOf("8001")).empty());
    }
    EXPECT_TRUE(Feed(BuildPacket(kDetail, 5, {1, 0, 0}), PortOf("8001")).empty());
    EXPECT_TRUE(Feed(BuildPacket(kIndex, 5, {0}), PortOf("8001")).empty());
    // 8002 has not logged on: nothing is answered to its port.
    EXPECT_TRUE(Feed(BuildPacket(kSet, 5, setBody), PortOf("8002")).empty());
    EXPECT_TRUE(Feed(BuildFriendIndexRequest(), PortOf("8002")).empty());
    EXPECT_TRUE(Index("8001").empty());
}

TEST_F(FriendServiceTest, TellsLoggedOnHoldersWhenAFriendLogsOnOffAndExpires) {
    LogOn("8001");
    LogOn("8003");
    const std::uint32_t bobAt1 = Set("8001", Friend("Bob", "8002")).recordId;
    const std::uint32_t bobAt3 = Set("8003", Friend("Bob", "8002")).recordId;
    Set("8003", Friend("Al", "8001"));

    // 8002 logs on: both holders hear it with their own RecordID; 8002 hears nothing.
    Feed(BuildPacket(kPktLogin, 1, LoginBody("8002", PasswordDigest("8002", "2222"))), PortOf("8002"));
    ASSERT_EQ(Pushes("8001").size(), 1u);
    EXPECT_EQ(Pushes("8001")[0].recordId, bobAt1);
    EXPECT_EQ(Pushes("8001")[0].status, 1);
    ASSERT_EQ(Pushes("8003").size(), 1u);
    EXPECT_EQ(Pushes("8003")[0].recordId, bobAt3);
    EXPECT_TRUE(Pushes("8002").empty());
    EXPECT_EQ(Detail("8001", bobAt1).entry.status, 1);
    // The same client logging on again is no logoff in between.
    Feed(BuildPacket(kPktLogin, 2, LoginBody("8002", PasswordDigest("8002", "2222"))), PortOf("8002"));
    ASSERT_EQ(Pushes("8001").size(), 1u);
    EXPECT_EQ(Pushes("8001")[0].status, 1);
    ASSERT_TRUE(m_server->Friends().Lists().WaitIdle(10000));

    // Logoff: off line.
    LogOut("8002", EndpointOf("8002"));
    ASSERT_EQ(Pushes("8001").size(), 1u);
    EXPECT_EQ(Pushes("8001")[0].status, 0);
    EXPECT_EQ(Pushes("8001")[0].recordId, bobAt1);
    EXPECT_EQ(Pushes("8003").size(), 1u);
    EXPECT_EQ(Detail("8001", bobAt1).entry.status, 0);

    // Expiry: 8002 logs on, 8001 and 8003 keep alive, 8002 does not.
    LogOn("8002", 1000);
    const std::uint32_t later = 1000 + kTtlSeconds * 1000 + 1;
    for (const char* n : {"8001", "8003"}) {
        ByteWriter w;
        w.U32LE(EndpointOf(n));
        ASSERT_EQ(Feed(BuildPacket(kPktKeepAlive, 9, w.Get()), PortOf(n), 5000).size(), 1u);
    }
    m_sent.clear();
    m_server->OnTimer(later);
    ASSERT_EQ(Pushes("8001").size(), 1u);
    EXPECT_EQ(Pushes("8001")[0].status, 0);
    EXPECT_EQ(Pushes("8003").size(), 1u);
    // An admin expiry tells them too.
    LogOn("8002", later);
    m_sent.clear();
    EXPECT_TRUE(m_server->ExpireNumber("8002", later));
    ASSERT_EQ(Pushes("8001").size(), 1u);
    EXPECT_EQ(Pushes("8001")[0].status, 0);
}

TEST_F(FriendServiceTest, AFriendAlreadyOnLineIsReportedRightAfterTheSet) {
    LogOn("8002");
    LogOn("8001");
    Feed(BuildPacket(kSet, 5, BodyOf(BuildSetFriendRequest(Friend("Bob", "8002")))), PortOf("8001"));
    const auto answers = SentTo("8001", kSet);
    ASSERT_EQ(answers.size(), 1u);
    SetFriendAnswer set;
    ASSERT_TRUE(ParseSetFriendAnswer(answers[0].Body(), answers[0].BodySize(), &set));
    ASSERT_EQ(Pushes("8001").size(), 1u);
    EXPECT_EQ(Pushes("8001")[0].recordId, set.recordId);
    EXPECT_EQ(Pushes("8001")[0].status, 1);
}

// Holds each friend list load until the test lets it go.
class LoadGate {
public:
    void Hold(const std::string&) {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_waiting;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open > 0; });
        --m_open;
        --m_waiting;
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_open;
        m_changed.notify_all();
    }
    bool WaitHeld(int timeoutMs) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_waiting > 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_waiting = 0;
    int m_open = 0;
};

TEST_F(FriendServiceTest, TheIndexIsNotReadyWhileTheListLoadsAndAChangeMeanwhileIsNotLost) {
    LogOn("8001");
    const std::uint32_t first = Set("8001", Friend("Bob", "8002")).recordId;
    LoadGate gate;
    StartServer([&gate](const std::string& owner) { gate.Hold(owner); });
    ASSERT_EQ(LogOnWith("8001", PasswordDigest("8001", "1111")), 0);
    ASSERT_TRUE(gate.WaitHeld(10000));

    bool notReady = false;
    EXPECT_TRUE(Index("8001", &notReady).empty());
    EXPECT_TRUE(notReady);
    const SentPacket raw = Ask("8001", kIndex);
    EXPECT_EQ(BodyOf(raw.packet), (Bytes{0xFF, 0xFF}));
    // Details are answered from the database meanwhile; a change starts the read again.
    EXPECT_EQ(Detail("8001", first).entry.record.friendName, "Bob");
    const std::uint32_t added = Set("8001", Friend("Carol", "8003")).recordId;

    gate.Release(); // the first read, begun before the change
    gate.Release(); // the second
    ASSERT_TRUE(m_server->Friends().Lists().WaitIdle(10000));
    EXPECT_EQ(Index("8001", &notReady), (std::vector<std::uint32_t>{first, added}));
    EXPECT_FALSE(notReady);
    m_server.reset(); // before the gate goes
}

} // namespace
} // namespace orv
