#include "server/user_server.h"

#include "server/user_packets.h"
#include "tests/server/test_folder.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"
#include "wire/password_digest.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

namespace orv {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Sent {
    Bytes packet;
    std::string address;
    std::uint16_t port;
};

constexpr const char* kClient = "127.0.0.1";
constexpr std::uint16_t kPortA = 40001;
constexpr std::uint16_t kPortB = 40002;
constexpr std::uint32_t kTtlSeconds = 9;

Bytes Header(std::uint16_t type, std::uint32_t seq, const Bytes& body = {}) {
    return BuildPacket(type, seq, body);
}

Bytes U32Body(std::uint32_t v) {
    ByteWriter w;
    w.U32LE(v);
    return w.Get();
}

Bytes LoginRequest(std::uint32_t seq, const std::string& number, const std::string& password,
                   std::uint8_t kind = 2) {
    ByteWriter w;
    w.Text(number, 32);
    w.Text(PasswordDigest(number, password), 40);
    w.Text("00000000", 64);
    w.U8(kind);
    w.U16LE(1);
    w.U32LE(0x7F000001);
    w.U16LE(0);
    return Header(0x0101, seq, w.Get());
}

class UserServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_db = SubscriberDb::Open(m_folder.File(kSubscriberDbName), &error);
        ASSERT_TRUE(m_db) << error;
        ASSERT_TRUE(m_db->Add("8001", "1111"));
        ASSERT_TRUE(m_db->Add("8002", "2222"));
        ASSERT_TRUE(m_db->SetCustomInfo("8001", CustomInfo{5, "Provider", "http://provider/"}));
        UserServerConfig config;
        config.ttlSeconds = kTtlSeconds;
        config.natIntervalMs = 60000;
        in_addr a{};
        inet_pton(AF_INET, "10.1.2.3", &a);
        config.publicAddress = a.s_addr;
        config.publicPort = 17001;
        m_server = std::make_unique<UserServer>(
            *m_db, config, [this](const Bytes& p, const std::string& address, std::uint16_t port) {
                m_sent.push_back({p, address, port});
            });
    }

    // Feeds one datagram and returns what the server sent in reply (possibly nothing).
    std::vector<Sent> Feed(const Bytes& datagram, std::uint16_t port = kPortA, std::uint32_t now = 0) {
        m_sent.clear();
        m_server->OnDatagram(datagram.data(), datagram.size(), kClient, port, now);
        return m_sent;
    }

    // Logs on and returns the endpoint identifier.
    std::uint32_t LogOn(const std::string& number, const std::string& password, std::uint16_t port,
                        std::uint32_t now) {
        const auto sent = Feed(LoginRequest(1, number, password), port, now);
        EXPECT_FALSE(sent.empty());
        if (sent.empty() || sent[0].packet.size() != 13 || sent[0].packet[8] != 0) return 0;
        ByteReader r(sent[0].packet.data() + 9, 4);
        return r.U32LE();
    }

    static std::int32_t FailureReason(const std::vector<Sent>& sent) {
        EXPECT_EQ(sent.size(), 1u);
        if (sent.size() != 1 || sent[0].packet.size() != 13 || sent[0].packet[8] != 255) return 0;
        ByteReader r(sent[0].packet.data() + 9, 4);
        return static_cast<std::int32_t>(r.U32LE());
    }

    TestFolder m_folder;
    std::unique_ptr<SubscriberDb> m_db;
    std::unique_ptr<UserServer> m_server;
    std::vector<Sent> m_sent;
};

TEST_F(UserServerTest, QuerySvrIPPortAnswersThePublicAddress) {
    const auto sent = Feed(Header(0x0111, 0x55));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].address, kClient);
    EXPECT_EQ(sent[0].port, kPortA);
    EXPECT_EQ(sent[0].packet, (Bytes{0x11, 0x01, 14, 0, 0x55, 0, 0, 0, 10, 1, 2, 3, 0x69, 0x42}));
}

TEST_F(UserServerTest, LogonThenKeepAliveAnswersTheTtl) {
    const auto sent = Feed(LoginRequest(0x21, "8001", "1111"));
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].packet.size(), 13u);
    EXPECT_EQ(Bytes(sent[0].packet.begin(), sent[0].packet.begin() + 9),
              (Bytes{0x01, 0x01, 13, 0, 0x21, 0, 0, 0, 0}));
    ByteReader r(sent[0].packet.data() + 9, 4);
    const std::uint32_t endpoint = r.U32LE();
    EXPECT_NE(endpoint, 0u);

    const auto ack = Feed(Header(0x0103, 0x22, U32Body(endpoint)), kPortA, 3000);
    ASSERT_EQ(ack.size(), 1u);
    EXPECT_EQ(ack[0].packet, (Bytes{0x03, 0x01, 13, 0, 0x22, 0, 0, 0, 0, kTtlSeconds, 0, 0, 0}));
}

TEST_F(UserServerTest, LogonRefusalsCarryTheirReasons) {
    EXPECT_EQ(FailureReason(Feed(LoginRequest(1, "9999", "1111"))), -2);
    EXPECT_EQ(FailureReason(Feed(LoginRequest(1, "8001", "wrong"))), -3);
    EXPECT_EQ(FailureReason(Feed(LoginRequest(1, "8001", "1111", 3))), -6);
    ASSERT_TRUE(m_db->SetState("8002", SubscriberState::Inactive));
    EXPECT_EQ(FailureReason(Feed(LoginRequest(1, "8002", "2222"))), -9);
    // A number that could never be stored is simply unknown.
    EXPECT_EQ(FailureReason(Feed(LoginRequest(1, "80 01\x01", "1111"))), -2);
}

TEST_F(UserServerTest, GuessersAreSlowedDownAndANumberLocksForAWhileOnly) {
    auto refusal = [this](const char* address, const std::string& number, const std::string& password,
                          std::uint32_t now) {
        m_sent.clear();
        const Bytes login = LoginRequest(1, number, password);
        m_server->OnDatagram(login.data(), login.size(), address, kPortA, now);
        // A logon may also send the older registration of the number its logout notice.
        return !m_sent.empty() && m_sent[0].packet.size() == 13 && m_sent[0].packet[8] == 0 ? 0
                                                                                            : FailureReason(m_sent);
    };
    // Five failures from an address cost nothing; each further one bars it for twice as
    // long as the one before, the right password included, while other addresses go on.
    std::uint32_t now = 0xFFFFF000; // the bars hold across the wrap of the tick
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(refusal("10.0.0.1", i % 2 ? "8001" : "7777", "wrong", now), i % 2 ? -3 : -2);
    }
    for (std::uint32_t delay = 1000; delay <= 8000; delay *= 2) {
        EXPECT_EQ(refusal("10.0.0.1", "8001", "wrong", now), -3);
        EXPECT_EQ(refusal("10.0.0.1", "8001", "1111", now + delay - 1), -8) << delay;
        now += delay;
    }
    EXPECT_EQ(refusal("10.0.0.2", "8002", "2222", now), 0);
    EXPECT_EQ(refusal("10.0.0.1", "8001", "1111", now), 0) << "the bar ran out";
    for (int i = 0; i < 5; ++i) EXPECT_EQ(refusal("10.0.0.1", "8001", "wrong", now), -3) << "the logon cleared it";

    // Thirty wrong passwords in a row, each from another address, lock the number; the lock
    // ends by itself, and the right password then resets the count.
    ASSERT_TRUE(m_db->ResetWrongPasswords("8001"));
    for (int i = 0; i < kWrongPasswordLimit; ++i) {
        EXPECT_EQ(refusal(("10.1.0." + std::to_string(i)).c_str(), "8001", "wrong", now), -3);
    }
    EXPECT_EQ(refusal("10.2.0.1", "8001", "1111", now + LogonGuard::kNumberLockMs - 1), -8);
    EXPECT_EQ(refusal("10.2.0.1", "8002", "2222", now), 0) << "other numbers are not locked";
    m_server->OnTimer(now + LogonGuard::kNumberLockMs);
    EXPECT_EQ(refusal("10.2.0.1", "8001", "wrong", now + LogonGuard::kNumberLockMs), -3);
    EXPECT_EQ(refusal("10.2.0.1", "8001", "1111", now + LogonGuard::kNumberLockMs + 1), -8) << "locked again";
    // An administrator's unlock works at once.
    ASSERT_TRUE(m_db->SetState("8001", SubscriberState::Active));
    EXPECT_EQ(refusal("10.2.0.1", "8001", "1111", now + LogonGuard::kNumberLockMs + 2), 0);
    Subscriber s;
    ASSERT_TRUE(m_db->Find("8001", &s));
    EXPECT_EQ(s.wrongPasswords, 0);
}

TEST_F(UserServerTest, ASecondLogonElsewhereForcesTheFirstOff) {
    const std::uint32_t first = LogOn("8001", "1111", kPortA, 0);
    m_sent.clear();
    m_server->OnDatagram(LoginRequest(7, "8001", "1111").data(), LoginRequest(7, "8001", "1111").size(), kClient,
                         kPortB, 100);
    ASSERT_EQ(m_sent.size(), 2u);
    EXPECT_EQ(m_sent[0].port, kPortB);
    EXPECT_EQ(m_sent[0].packet[8], 0);
    EXPECT_EQ(m_sent[1].port, kPortA);
    ASSERT_EQ(m_sent[1].packet.size(), 16u);
    ByteReader r(m_sent[1].packet.data(), 16);
    EXPECT_EQ(r.U16LE(), 0x0102);
    EXPECT_EQ(r.U16LE(), 16);
    r.U32LE();
    EXPECT_EQ(r.U32LE(), first);
    EXPECT_EQ(r.U32LE(), 2u);

    // A late keep-alive of the old session hears the notice again, not a re-logon demand.
    const auto again = Feed(Header(0x0103, 9, U32Body(first)), kPortA, 200);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].packet.size(), 16u);
    EXPECT_EQ(again[0].packet[0], 0x02);
}

TEST_F(UserServerTest, LogonAgainFromTheSameLinkSendsNoNoticeNorDemand) {
    const std::uint32_t first = LogOn("8001", "1111", kPortA, 0);
    const auto sent = Feed(LoginRequest(2, "8001", "1111"), kPortA, 100);
    ASSERT_EQ(sent.size(), 1u) << "a notice to this link would log the new session out";
    EXPECT_EQ(sent[0].packet[0], 0x01);
    // A keep-alive that was under way with the first endpoint is answered, not met with a
    // demand that would make the client log on once more.
    const auto ack = Feed(Header(0x0103, 3, U32Body(first)), kPortA, 200);
    ASSERT_EQ(ack.size(), 1u);
    EXPECT_EQ(ack[0].packet.size(), 13u);
    EXPECT_EQ(ack[0].packet[8], 0);
}

TEST_F(UserServerTest, LateKeepAliveGetsAReLogonDemand) {
    const std::uint32_t endpoint = LogOn("8001", "1111", kPortA, 0);
    const auto late = Feed(Header(0x0103, 3, U32Body(endpoint)), kPortA, kTtlSeconds * 1000 + 1);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].packet.size(), 8u);
    EXPECT_EQ(late[0].packet[0], 0x00);
    EXPECT_EQ(late[0].packet[1], 0x01);
    // Its resend a moment later is not answered with a second demand.
    EXPECT_TRUE(Feed(Header(0x0103, 4, U32Body(endpoint)), kPortA, kTtlSeconds * 1000 + 5001).empty());
    // Logging on again makes it live.
    const std::uint32_t renewed = LogOn("8001", "1111", kPortA, 20000);
    EXPECT_EQ(Feed(Header(0x0103, 5, U32Body(renewed)), kPortA, 21000).at(0).packet.size(), 13u);
}

TEST_F(UserServerTest, AdminExpiryAndUnknownEndpointsDemandAReLogon) {
    const std::uint32_t endpoint = LogOn("8001", "1111", kPortA, 0);
    ASSERT_TRUE(m_server->ExpireNumber("8001", 10));
    auto sent = Feed(Header(0x0103, 3, U32Body(endpoint)), kPortA, 20);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].packet.size(), 8u);

    sent = Feed(Header(0x0103, 3, U32Body(endpoint + 1)), kPortB, 20);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].packet.size(), 8u);
    EXPECT_EQ(sent[0].packet[1], 0x01);
    EXPECT_EQ(sent[0].packet[0], 0x00);
}

TEST_F(UserServerTest, AKeepAliveFromAnotherAddressIsDropped) {
    const std::uint32_t endpoint = LogOn("8001", "1111", kPortA, 0);
    EXPECT_TRUE(Feed(Header(0x0103, 3, U32Body(endpoint)), kPortB, 10).empty());
    EXPECT_TRUE(Feed(Header(0x0102, 3, Bytes{0, 0, 0, 0, 1, 0, 0, 0}), kPortB, 10).empty());
    EXPECT_EQ(Feed(Header(0x0103, 4, U32Body(endpoint)), kPortA, 20).size(), 1u);
}

TEST_F(UserServerTest, CustomInformationGoesToRegisteredClientsOnly) {
    EXPECT_TRUE(Feed(Header(0x010D, 3)).empty());
    LogOn("8001", "1111", kPortA, 0);
    const auto sent = Feed(Header(0x010D, 4), kPortA, 10);
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].packet.size(), 140u);
    ByteReader r(sent[0].packet.data(), sent[0].packet.size());
    EXPECT_EQ(r.U16LE(), 0x010D);
    EXPECT_EQ(r.U16LE(), 140);
    EXPECT_EQ(r.U32LE(), 4u);
    EXPECT_EQ(r.U32LE(), 5u);
    EXPECT_EQ(r.Text(64), "Provider");
    EXPECT_EQ(r.Text(64), "http://provider/");
    EXPECT_TRUE(Feed(Header(0x010D, 5), kPortB, 10).empty());
}

TEST_F(UserServerTest, LogoutEndsTheRegistration) {
    const std::uint32_t endpoint = LogOn("8001", "1111", kPortA, 0);
    ByteWriter w;
    w.U32LE(endpoint);
    w.U32LE(1);
    EXPECT_TRUE(Feed(Header(0x0102, 3, w.Get()), kPortA, 10).empty());
    EXPECT_TRUE(Feed(Header(0x010D, 4), kPortA, 10).empty());
}

TEST_F(UserServerTest, NatDetectsGoOutNowAndThenAndEchoesAreChecked) {
    const std::uint32_t endpoint = LogOn("8001", "1111", kPortA, 0);
    m_sent.clear();
    // Keep the registration live past the detect interval.
    for (std::uint32_t t = 6000; t < 66000; t += 6000) Feed(Header(0x0103, 1, U32Body(endpoint)), kPortA, t);
    m_sent.clear();
    m_server->OnTimer(59999);
    EXPECT_TRUE(m_sent.empty());
    m_server->OnTimer(60000);
    ASSERT_EQ(m_sent.size(), 1u);
    EXPECT_EQ(m_sent[0].port, kPortA);
    ASSERT_EQ(m_sent[0].packet.size(), 8u);
    EXPECT_EQ(m_sent[0].packet[0], 0x04);
    EXPECT_EQ(m_sent[0].packet[1], 0x01);
    ByteReader r(m_sent[0].packet.data() + 4, 4);
    const std::uint32_t seq = r.U32LE();
    EXPECT_NE(seq, 0u);
    // The echo is taken silently; no answer either way.
    EXPECT_TRUE(Feed(Header(0x0104, seq, U32Body(endpoint)), kPortA, 60010).empty());
    EXPECT_TRUE(Feed(Header(0x0104, seq + 1, U32Body(endpoint)), kPortA, 60010).empty());
    m_sent.clear();
    m_server->OnTimer(61000);
    EXPECT_TRUE(m_sent.empty());
}

TEST_F(UserServerTest, MalformedPacketsAreDroppedWithoutAnswer) {
    Bytes q = Header(0x0111, 1);
    q[2] = 9;
    EXPECT_TRUE(Feed(q).empty());
    EXPECT_TRUE(Feed(Bytes{0x11, 0x01, 8}).empty());
    EXPECT_TRUE(Feed(Header(0x0111, 1, Bytes{0})).empty());
    Bytes login = LoginRequest(1, "8001", "1111");
    login.pop_back();
    login[2] = static_cast<std::uint8_t>(login.size());
    EXPECT_TRUE(Feed(login).empty());
    EXPECT_TRUE(Feed(Header(0x0103, 1, Bytes{1, 2, 3})).empty());
    EXPECT_TRUE(Feed(Header(0x0999, 1)).empty());
}

} // namespace
} // namespace orv
