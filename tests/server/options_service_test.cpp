// The server's service options: offline calls, forwarding, password change, support
// entries, bind option, and the refused update-server and account-server queries.
#include "server/options_db.h"
#include "server/options_packets.h"
#include "tests/server/server_session_fixture.h"

namespace orv {
namespace {

Bytes ForwardBody(std::uint8_t flag, const std::string& offline, const std::string& busy,
                  const std::string& noAnswer, const std::string& always) {
    ByteWriter w;
    w.U8(flag);
    for (const std::string* n : {&offline, &busy, &noAnswer, &always}) w.Text(*n, kNumberField);
    return w.Get();
}

Bytes PasswordBody(const std::string& number, const std::string& oldDigest, const std::string& newDigest) {
    ByteWriter w;
    w.Text(number, kNumberField);
    w.Text(oldDigest, kPasswordField);
    w.Text(newDigest, kPasswordField);
    return w.Get();
}

Bytes BindBody(const std::string& number, const std::string& digest, char option) {
    ByteWriter w;
    w.Text(number, kNumberField);
    w.Text(digest, kPasswordField);
    w.U8(static_cast<std::uint8_t>(option));
    return w.Get();
}

// Result byte and the i32 that follows (value or reason).
std::pair<std::uint8_t, std::int32_t> Result(const SentPacket& s) {
    EXPECT_EQ(s.BodySize(), 5u);
    if (s.BodySize() != 5) return {0xEE, 0};
    ByteReader r(s.Body() + 1, 4);
    return {s.Body()[0], static_cast<std::int32_t>(r.U32LE())};
}

class OptionsServiceTest : public ServerSessionTest {
protected:
    OptionsDb Options() { return OptionsDb(*m_db); }

    ForwardSettings GetForward(const std::string& number) {
        const SentPacket s = Ask(number, kPktGetForward);
        EXPECT_EQ(s.BodySize(), 130u);
        ForwardSettings settings;
        if (s.BodySize() == 130 && s.Body()[0] == 0) {
            EXPECT_TRUE(ParseForwardBody(s.Body() + 1, 129, &settings));
        }
        return settings;
    }
};

TEST_F(OptionsServiceTest, OfflineCallsAreDeliveredOnceOldestFirstAndAgainToAResend) {
    OptionsDb options = Options();
    ASSERT_TRUE(options.AddOfflineCall({"8001", "8002", 1700000000, kOfflineCallTalk}));
    ASSERT_TRUE(options.AddOfflineCall({"8003", "8002", 1700000100, kOfflineCallConference}));
    EXPECT_FALSE(options.AddOfflineCall({"8001", "9999", 1700000000, kOfflineCallTalk})) << "no such subscriber";
    LogOn("8002");

    const SentPacket first = Ask("8002", kPktOfflineCalls, {}, 21);
    ASSERT_EQ(first.BodySize(), 2u + 2 * 70);
    ByteReader r(first.Body(), first.BodySize());
    EXPECT_EQ(r.U16LE(), 2);
    r.U8();
    EXPECT_EQ(r.Text(32), "8001");
    EXPECT_EQ(r.Text(32), "8002");
    EXPECT_EQ(r.U32LE(), 1700000000u);
    EXPECT_EQ(r.U8(), kOfflineCallTalk);
    r.U8();
    EXPECT_EQ(r.Text(32), "8003");
    r.Skip(32);
    EXPECT_EQ(r.U32LE(), 1700000100u);
    EXPECT_EQ(r.U8(), kOfflineCallConference);

    // The answer got lost: the resend (same sequence number) gets the same calls.
    EXPECT_EQ(Ask("8002", kPktOfflineCalls, {}, 21).packet, first.packet);
    // A new request finds none left.
    EXPECT_EQ(Ask("8002", kPktOfflineCalls, {}, 22).packet, BuildPacket(kPktOfflineCalls, 22, {0, 0}));
    std::vector<OfflineCall> left;
    ASSERT_TRUE(options.PeekOfflineCalls("8002", &left));
    EXPECT_TRUE(left.empty());
}

TEST_F(OptionsServiceTest, ForwardingIsStoredPerSubscriberWithTheFlagClearedWhenEmpty) {
    LogOn("8001");
    EXPECT_EQ(GetForward("8001"), ForwardSettings{}) << "never set: all empty, flag 0";

    EXPECT_EQ(Result(Ask("8001", kPktSetForward, ForwardBody(1, "8003", "8002", "", ""))), std::make_pair(std::uint8_t{0}, 0));
    ForwardSettings expected{true, "8003", "8002", "", ""};
    EXPECT_EQ(GetForward("8001"), expected);
    ForwardSettings stored;
    ASSERT_TRUE(Options().GetForward("8001", &stored));
    EXPECT_EQ(stored, expected) << "the talk side reads the same";

    // A malformed number is refused and changes nothing.
    EXPECT_EQ(Result(Ask("8001", kPktSetForward, ForwardBody(1, "80 03", "", "", ""))).second, kReasonBadValue);
    EXPECT_EQ(GetForward("8001"), expected);

    // All four empty: stored with flag 0 whatever the client sent.
    EXPECT_EQ(Result(Ask("8001", kPktSetForward, ForwardBody(1, "", "", "", ""))).first, 0);
    const SentPacket raw = Ask("8001", kPktGetForward);
    ASSERT_EQ(raw.BodySize(), 130u);
    EXPECT_EQ(raw.Body()[1], 0) << "flag";
    EXPECT_TRUE(Feed(BuildPacket(kPktSetForward, 3, ForwardBody(1, "8003", "", "", "")), PortOf("8002")).empty())
        << "8002 is not logged on";
    EXPECT_TRUE(Feed(BuildPacket(kPktSetForward, 3, Bytes(128, 0)), PortOf("8001")).empty()) << "short body";
}

TEST_F(OptionsServiceTest, APasswordChangeReplacesTheStoredDigest) {
    LogOn("8001");
    const std::string oldDigest = PasswordDigest("8001", "1111");
    const std::string newDigest = PasswordDigest("8001", "s3cret");

    EXPECT_EQ(Result(Ask("8001", kPktSetPassword, PasswordBody("8001", PasswordDigest("8001", "x"), newDigest))).second,
              kReasonWrongPassword);
    EXPECT_EQ(Result(Ask("8001", kPktSetPassword, PasswordBody("8002", PasswordDigest("8002", "2222"), newDigest))).second,
              kReasonBadValue)
        << "only the own password";
    EXPECT_EQ(Result(Ask("8001", kPktSetPassword, PasswordBody("8001", oldDigest, "plain text"))).second,
              kReasonBadValue);
    EXPECT_EQ(LogOnWith("8001", oldDigest), 0) << "unchanged so far";

    EXPECT_EQ(Result(Ask("8001", kPktSetPassword, PasswordBody("8001", oldDigest, newDigest))).first, 0);
    EXPECT_EQ(LogOnWith("8001", oldDigest), kReasonWrongPassword);
    EXPECT_EQ(LogOnWith("8001", newDigest), 0);
    Subscriber s;
    ASSERT_TRUE(m_db->Find("8001", &s));
    EXPECT_EQ(s.digest, newDigest);
    EXPECT_EQ(s.wrongPasswords, 0);
}

TEST_F(OptionsServiceTest, SupportEntriesAndTheBindOption) {
    ASSERT_TRUE(Options().SetSupport({{"8000", "Hotline"}, {"01012345", std::string(40, 'x')}}));
    LogOn("8001");
    const SentPacket support = Ask("8001", kPktSupportInfo);
    ASSERT_EQ(support.BodySize(), 2u + 2 * 64);
    ByteReader r(support.Body(), support.BodySize());
    EXPECT_EQ(r.U16LE(), 2);
    EXPECT_EQ(r.Text(32), "8000");
    EXPECT_EQ(r.Text(32), "Hotline");
    EXPECT_EQ(r.Text(32), "01012345");
    EXPECT_EQ(r.Text(32), std::string(31, 'x')) << "cut to its field, ending with a zero";

    EXPECT_EQ(Ask("8001", kPktQueryBindOption).packet, BuildPacket(kPktQueryBindOption, 7, {'0'}));
    const std::string digest = PasswordDigest("8001", "1111");
    EXPECT_EQ(Ask("8001", kPktSetBindOption, BindBody("8001", PasswordDigest("8001", "no"), '1')).packet,
              BuildPacket(kPktSetBindOption, 7, {255}));
    EXPECT_EQ(Ask("8001", kPktSetBindOption, BindBody("8001", digest, '7')).packet,
              BuildPacket(kPktSetBindOption, 7, {255}));
    EXPECT_EQ(Ask("8001", kPktSetBindOption, BindBody("8001", digest, '1')).packet,
              BuildPacket(kPktSetBindOption, 7, {255}))
        << "binding needs a logon that came with a handset";
    ASSERT_EQ(LogOnWith("8001", digest, 0, "00c0ffee"), 0);
    EXPECT_EQ(Ask("8001", kPktSetBindOption, BindBody("8001", digest, '1')).packet,
              BuildPacket(kPktSetBindOption, 7, {0}));
    EXPECT_EQ(Ask("8001", kPktQueryBindOption).packet, BuildPacket(kPktQueryBindOption, 7, {'1'}));
    // Bound: the right password alone is refused with -13, another handset too.
    EXPECT_EQ(LogOnWith("8001", digest), -13);
    EXPECT_EQ(LogOnWith("8001", digest, 0, "00c0fffe"), -13);
    EXPECT_EQ(LogOnWith("8001", PasswordDigest("8001", "no"), 0, "00c0ffee"), -3) << "the password comes first";
    ASSERT_EQ(LogOnWith("8001", digest, 0, "00c0ffee"), 0);
    LogOn("8002");
    EXPECT_EQ(Ask("8002", kPktQueryBindOption).packet, BuildPacket(kPktQueryBindOption, 7, {'0'}));
}

TEST_F(OptionsServiceTest, UpdateAndAccountServerQueriesAreRefusedWithAReason) {
    // The update query comes before any logon.
    for (std::uint16_t type : {kPktFileUpdateQuery, kPktAccountServer}) {
        const SentPacket s = Ask("8003", type, {}, 11);
        EXPECT_EQ(Result(s), std::make_pair(std::uint8_t{255}, kReasonNoService)) << type;
        EXPECT_TRUE(Feed(BuildPacket(type, 12, {1}), PortOf("8003")).empty()) << "a body is malformed";
    }
}

} // namespace
} // namespace orv
