// A user server on a fresh database in a temporary folder, fed datagrams directly, with
// what it sends collected per destination port. Subscribers 8001/1111, 8002/2222 and
// 8003/3333 each log on from their own port (40000 + the last digit).
#pragma once

#include "server/user_packets.h"
#include "server/user_server.h"
#include "tests/server/login_body.h"
#include "tests/server/test_folder.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"
#include "wire/password_digest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {

using Bytes = std::vector<std::uint8_t>;

struct SentPacket {
    Bytes packet;
    std::uint16_t port = 0;

    std::uint16_t Type() const { return packet.size() >= 2 ? static_cast<std::uint16_t>(packet[0] | (packet[1] << 8)) : 0; }
    // Empty when there was no packet (a failed Ask), so parsers see nothing to read.
    const std::uint8_t* Body() const { return BodySize() == 0 ? nullptr : packet.data() + kPacketHeaderSize; }
    std::size_t BodySize() const { return packet.size() > kPacketHeaderSize ? packet.size() - kPacketHeaderSize : 0; }
};

class ServerSessionTest : public ::testing::Test {
protected:
    static constexpr const char* kClient = "127.0.0.1";
    static constexpr std::uint32_t kTtlSeconds = 9;

    static std::uint16_t PortOf(const std::string& number) {
        return static_cast<std::uint16_t>(40000 + (number.back() - '0'));
    }
    static std::string PasswordOf(const std::string& number) { return std::string(4, number.back()); }

    void SetUp() override { StartServer(); }

    void StartServer(FriendLists::BeforeLoad beforeLoad = {}) {
        m_server.reset();
        if (!m_db) {
            std::string error;
            m_db = SubscriberDb::Open(m_folder.File(kSubscriberDbName), &error);
            ASSERT_TRUE(m_db) << error;
            for (const char* n : {"8001", "8002", "8003"}) ASSERT_TRUE(m_db->Add(n, PasswordOf(n)));
        }
        UserServerConfig config;
        config.ttlSeconds = kTtlSeconds;
        config.natIntervalMs = 0;
        m_server = std::make_unique<UserServer>(
            *m_db, config,
            [this](const Bytes& p, const std::string&, std::uint16_t port) { m_sent.push_back({p, port}); },
            std::move(beforeLoad));
    }

    // Feeds one datagram; returns everything the server sent meanwhile.
    std::vector<SentPacket> Feed(const Bytes& datagram, std::uint16_t port, std::uint32_t now = 0) {
        m_sent.clear();
        m_server->OnDatagram(datagram.data(), datagram.size(), kClient, port, now);
        return m_sent;
    }

    // Sends a request from number's port and returns the one answer of the same type to it.
    SentPacket Ask(const std::string& number, std::uint16_t type, const Bytes& body = {}, std::uint32_t seq = 7,
                   std::uint32_t now = 0) {
        const auto sent = Feed(BuildPacket(type, seq, body), PortOf(number), now);
        for (const SentPacket& s : sent) {
            if (s.port == PortOf(number) && s.Type() == type) return s;
        }
        ADD_FAILURE() << "no answer of type " << type << " for " << number;
        return {};
    }

    // The login answer's reason (0 on success).
    std::int32_t LogOnWith(const std::string& number, const std::string& digest, std::uint32_t now = 0,
                           const std::string& bindInfo = "00000000") {
        const SentPacket answer = Ask(number, kPktLogin, LoginBody(number, digest, bindInfo), 1, now);
        if (answer.packet.size() != 13) return 1;
        ByteReader r(answer.Body() + 1, 4);
        const std::uint32_t value = r.U32LE();
        return answer.Body()[0] == 0 ? 0 : static_cast<std::int32_t>(value);
    }

    // Logs on with the right password and waits until the friend list is loaded.
    void LogOn(const std::string& number, std::uint32_t now = 0) {
        ASSERT_EQ(LogOnWith(number, PasswordDigest(number, PasswordOf(number)), now), 0);
        ASSERT_TRUE(m_server->Friends().Lists().WaitIdle(10000));
    }

    // Packets of a type that went to number's port in the latest Feed.
    std::vector<SentPacket> SentTo(const std::string& number, std::uint16_t type) const {
        std::vector<SentPacket> found;
        for (const SentPacket& s : m_sent) {
            if (s.port == PortOf(number) && s.Type() == type) found.push_back(s);
        }
        return found;
    }

    TestFolder m_folder;
    std::unique_ptr<SubscriberDb> m_db;
    std::unique_ptr<UserServer> m_server;
    std::vector<SentPacket> m_sent;
};

} // namespace orv
