// Friends and presence through orvserver as a process: two clients on real sockets in the
// link's wire form; one has the other as a friend and hears it log on and off.
#include "server/user_packets.h"
#include "tests/e2e/service_processes.h"
#include "tests/server/login_body.h"
#include "tests/server/test_folder.h"
#include "tests/server/udp_test_client.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"
#include "wire/password_digest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace orv {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWaitMs = 10000; // generous: only a broken server takes this long

class Client {
public:
    explicit Client(std::uint16_t serverPort) : m_serverPort(serverPort) {}

    // Sends and waits for the first packet of the given type, keeping nothing else.
    Bytes Ask(std::uint16_t type, const Bytes& body, std::uint32_t seq = 5) {
        EXPECT_TRUE(m_link.Send(BuildPacket(type, seq, body), m_serverPort));
        return WaitFor(type);
    }
    Bytes WaitFor(std::uint16_t type) {
        Bytes packet;
        while (m_link.Receive(kWaitMs, &packet)) {
            if (packet.size() >= 8 && (packet[0] | (packet[1] << 8)) == type) return packet;
        }
        return {};
    }
    std::uint32_t LogOn(const std::string& number, const std::string& password) {
        const Bytes answer = Ask(kPktLogin, LoginBody(number, PasswordDigest(number, password)), 1);
        if (answer.size() != 13 || answer[8] != 0) return 0;
        ByteReader r(answer.data() + 9, 4);
        return r.U32LE();
    }
    void LogOut(std::uint32_t endpoint) {
        ByteWriter w;
        w.U32LE(endpoint);
        w.U32LE(1);
        EXPECT_TRUE(m_link.Send(BuildPacket(kPktLogout, 9, w.Get()), m_serverPort));
    }

private:
    UdpTestClient m_link;
    std::uint16_t m_serverPort;
};

Bytes FriendRecordBody(const std::string& name, const std::string& netPhone) {
    ByteWriter w;
    w.U32LE(0);
    w.Text("", 32);
    w.Text(name, 16);
    w.Text("", 32);
    w.Text("", 32);
    w.Text(netPhone, 32);
    w.Text("", 32);
    w.Text("", 16);
    w.U8(0);
    return w.Get();
}

TEST(FriendProcess, AFriendLoggingOnAndOffIsPushedToTheHolder) {
    TestFolder home;
    ChildProcess server;
    std::string address;
    ASSERT_TRUE(StartServerProcess(server, home.Path(), {"--nat-interval", "0"}, kWaitMs, &address))
        << server.Output();
    ASSERT_EQ(address.rfind("127.0.0.1:", 0), 0u) << address;
    const std::uint16_t port = PortOf(address);

    Client a(port);
    ASSERT_NE(a.LogOn("8001", "1111"), 0u);
    const Bytes set = a.Ask(0x0107, FriendRecordBody("Bob", "8002"));
    ASSERT_EQ(set.size(), 13u);
    ASSERT_EQ(set[8], 0);
    ByteReader r(set.data() + 9, 4);
    const std::uint32_t recordId = r.U32LE();

    // The index is answered once the list is loaded; until then the client asks again.
    Bytes index;
    for (int attempt = 0; attempt < 100; ++attempt) {
        index = a.Ask(0x0105, {});
        if (index.size() != 10 || index[8] != 0xFF) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(index.size(), 14u);
    EXPECT_EQ(index[8], 1);

    Client b(port);
    const std::uint32_t endpointB = b.LogOn("8002", "2222");
    ASSERT_NE(endpointB, 0u);
    const Bytes online = a.WaitFor(0x01FF);
    ASSERT_EQ(online.size(), 13u);
    ByteReader on(online.data() + 8, 5);
    EXPECT_EQ(on.U8(), 1);
    EXPECT_EQ(on.U32LE(), recordId);

    b.LogOut(endpointB);
    const Bytes offline = a.WaitFor(0x01FF);
    ASSERT_EQ(offline.size(), 13u);
    EXPECT_EQ(offline[8], 0);

    server.CloseInput();
    EXPECT_TRUE(server.WaitExit(kWaitMs));
}

} // namespace
} // namespace orv
