// orvserver as a process: its printed lines, its answers on a real socket in the link's
// wire form, admin lines on its standard input, and its stop on a signal.
#include "server/user_packets.h"
#include "tests/e2e/service_processes.h"
#include "tests/server/login_body.h"
#include "tests/server/test_folder.h"
#include "tests/server/udp_test_client.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"
#include "wire/password_digest.h"

#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

namespace orv {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWaitMs = 10000; // generous: only a broken server takes this long

Bytes Packet(std::uint16_t type, std::uint32_t seq, const Bytes& body = {}) {
    return BuildPacket(type, seq, body);
}

Bytes Login(std::uint32_t seq, const std::string& number, const std::string& password) {
    return Packet(0x0101, seq, LoginBody(number, PasswordDigest(number, password)));
}

Bytes KeepAlive(std::uint32_t seq, std::uint32_t endpoint) {
    ByteWriter w;
    w.U32LE(endpoint);
    return Packet(0x0103, seq, w.Get());
}

class ServerProcessTest : public ::testing::Test {
protected:
    void StartServer(const std::vector<std::string>& extra = {}) {
        std::string address;
        ASSERT_TRUE(StartServerProcess(m_server, m_home.Path(), extra, kWaitMs, &address)) << m_server.Output();
        ASSERT_EQ(address.rfind("127.0.0.1:", 0), 0u) << address;
        m_port = PortOf(address);
    }

    // Sends and waits for the answer of the given type, skipping others (NAT detects).
    Bytes Ask(const Bytes& packet, std::uint16_t wantType, bool scramble = true) {
        EXPECT_TRUE(m_client.Send(packet, m_port, scramble));
        Bytes answer;
        while (m_client.Receive(kWaitMs, &answer)) {
            if (answer.size() >= 2 && (answer[0] | (answer[1] << 8)) == wantType) return answer;
        }
        return {};
    }

    std::uint32_t LogOn(const std::string& number, const std::string& password) {
        const Bytes answer = Ask(Login(1, number, password), 0x0101);
        if (answer.size() != 13 || answer[8] != 0) return 0;
        ByteReader r(answer.data() + 9, 4);
        return r.U32LE();
    }

    TestFolder m_home;
    ChildProcess m_server;
    UdpTestClient m_client;
    std::uint16_t m_port = 0;
};

TEST_F(ServerProcessTest, FirstStartPrintsTheDemoSubscribersAndAnswersOnThePrintedPort) {
    StartServer();
    std::string line;
    EXPECT_TRUE(m_server.WaitForLine("DEMO number=8001 password=1111 state=active", kWaitMs));
    EXPECT_TRUE(m_server.WaitForLine("DEMO number=8009 password=9999 state=inactive", kWaitMs));

    const Bytes answer = Ask(Packet(0x0111, 0x0A0B0C0D), 0x0111);
    EXPECT_EQ(answer, (Bytes{0x11, 0x01, 14, 0, 0x0D, 0x0C, 0x0B, 0x0A, 127, 0, 0, 1,
                             static_cast<std::uint8_t>(m_port), static_cast<std::uint8_t>(m_port >> 8)}));
    // The plain form (prefix 0) is understood too.
    EXPECT_EQ(Ask(Packet(0x0111, 2), 0x0111, false).size(), 14u);

    const Bytes refused = Ask(Login(3, "8009", "9999"), 0x0101);
    EXPECT_EQ(refused, (Bytes{0x01, 0x01, 13, 0, 3, 0, 0, 0, 255, 0xF7, 0xFF, 0xFF, 0xFF}));
}

TEST_F(ServerProcessTest, HostileDatagramsLeaveTheServerAnswering) {
    StartServer();
    ASSERT_TRUE(m_client.SendRaw({}, m_port));
    ASSERT_TRUE(m_client.SendRaw({2}, m_port));
    ASSERT_TRUE(m_client.SendRaw({2, 0x01, 0x01, 0xFF, 0xFF, 0, 0, 0, 0}, m_port));
    ASSERT_TRUE(m_client.Send(Bytes(16384, 0xAB), m_port));
    Bytes lying = Login(1, "8001", "1111");
    lying[137] = 0xFF; // address count far beyond the body
    ASSERT_TRUE(m_client.Send(lying, m_port));
    EXPECT_NE(LogOn("8001", "1111"), 0u);
}

TEST_F(ServerProcessTest, AdminExpiryOnStandardInputMakesTheNextKeepAliveDemandAReLogon) {
    StartServer();
    const std::uint32_t endpoint = LogOn("8001", "1111");
    ASSERT_NE(endpoint, 0u);
    EXPECT_EQ(Ask(KeepAlive(2, endpoint), 0x0103).size(), 13u);

    ASSERT_TRUE(m_server.WriteLine("expire 8001"));
    ASSERT_TRUE(m_server.WaitForLine("ADMIN ok expire 8001", kWaitMs)) << m_server.Output();
    const Bytes demand = Ask(KeepAlive(3, endpoint), 0x0100);
    ASSERT_EQ(demand.size(), 8u);
    EXPECT_EQ(demand[2], 8);

    ASSERT_TRUE(m_server.WriteLine("expire 8001"));
    EXPECT_TRUE(m_server.WaitForLine("ADMIN error expire", kWaitMs));
    ASSERT_TRUE(m_server.WriteLine("sessions"));
    std::string session;
    ASSERT_TRUE(m_server.WaitForLine("SESSION number=8001 endpoint=" + std::to_string(endpoint), kWaitMs, &session));
    EXPECT_NE(session.find("status=expired"), std::string::npos) << session;
}

TEST_F(ServerProcessTest, SubscribersAddedWhileRunningCanLogOnAndTheServerStopsOnSignal) {
    StartServer();
    ASSERT_TRUE(m_server.WriteLine("adduser 7001 secret"));
    ASSERT_TRUE(m_server.WaitForLine("ADMIN ok adduser 7001", kWaitMs));
    EXPECT_NE(LogOn("7001", "secret"), 0u);
    m_server.Signal(SIGTERM);
    int status = -1;
    ASSERT_TRUE(m_server.WaitExit(kWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    // The database outlives the process; a second start prints no demo lines.
    ChildProcess list;
    ASSERT_TRUE(list.Start(ProgramPath("orvserver"), {"--home", m_home.Path(), "list"}, m_home.File("list.err")));
    EXPECT_TRUE(list.WaitForLine("USER number=7001 state=active wrong=0", kWaitMs)) << list.Output();
    EXPECT_TRUE(list.WaitForLine("ADMIN ok list 5", kWaitMs)) << list.Output();
    EXPECT_TRUE(list.WaitExit(kWaitMs, &status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ServerProcessTest, TheEndOfItsInputStopsAServerToldToQuitOnIt) {
    StartServer();
    m_server.CloseInput();
    int status = -1;
    ASSERT_TRUE(m_server.WaitExit(kWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(ServerProcessTest, ABrokenDatabaseStopsTheStartWithAClearMessage) {
    {
        std::FILE* f = std::fopen(m_home.File("orvserver.db").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("not a database, but somebody's data", f);
        std::fclose(f);
    }
    ASSERT_TRUE(m_server.Start(ProgramPath("orvserver"), {"--home", m_home.Path(), "--user-port", "0"},
                               m_home.File("server.err")));
    int status = -1;
    ASSERT_TRUE(m_server.WaitExit(kWaitMs, &status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    std::FILE* f = std::fopen(m_home.File("server.err").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char text[512] = {};
    std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    EXPECT_NE(std::string(text).find("not a subscriber database"), std::string::npos) << text;
}

} // namespace
} // namespace orv
