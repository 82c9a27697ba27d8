// The handler base: server address rules, links, sending with and without delay, stream
// keep-alive on a real stream link, use count with deferred deletion, and the notification
// window's delivery rules.
#include "client/log/log.h"
#include "client/net/msg_handler.h"
#include "client/net/net_msg_thread.h"
#include "platform/paths.h"
#include "platform/tick.h"
#include "tests/handlers/fake_user_server.h"
#include "tests/handlers/session_fixture.h"
#include "udplink/udplink.h"
#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <future>
#include <thread>
#include <sstream>

namespace orv::test {
namespace {

// A handler that records what reaches it; as a stream handler it starts the keep-alive once
// connected and takes answers to its pending requests.
class ProbeHandler : public CMsgHandler {
public:
    explicit ProbeHandler(bool* deleted = nullptr) : m_deleted(deleted) {}
    ~ProbeHandler() override {
        if (m_deleted) *m_deleted = true;
    }
    int OnTcpNotifyMsg(const void* event, const void* detail) override {
        ++tcpEvents;
        return DispatchTcpEvent(event, detail);
    }
    int OnUdpNotifyMsg(const void*, const void*) override { return ++udpEvents; }
    void OnConnected() override {
        connected = true;
        DoTCPKeepAlive();
    }
    void OnRecv(const std::uint8_t* message, std::size_t) override {
        PacketHeader h;
        ReadPacketHeader(message, kPacketHeaderSize, &h);
        if (FindPending(h.seqNum, h.type, 3, true)) ++answers;
    }
    int tcpEvents = 0;
    int udpEvents = 0;
    std::atomic<bool> connected{false};
    std::atomic<int> answers{0};

private:
    bool* m_deleted;
};

class MsgHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_home = MakeTempFolder();
        SetHomeFolder(m_home);
        OpenLog("LOG");
        m_timers = std::make_shared<CTimerManager>([this] { return m_clock.load(); }, false);
        InstallTimerManager(m_timers);
        m_net = std::make_unique<CNetMsgThread>();
        ASSERT_TRUE(m_net->IsNetworkReady());
        SetNetMsgThread(m_net.get());
    }
    void TearDown() override {
        SetNetMsgThread(nullptr);
        m_net.reset();
        InstallTimerManager(nullptr);
        CloseLog();
        RemoveFolder(m_home);
    }
    void Advance(std::uint32_t ms) {
        m_clock += ms;
        m_timers->ScanOnce();
    }
    int CountInLog(const std::string& text) {
        std::ifstream in(JoinPath(m_home, ModuleName() + ".log"));
        std::stringstream s;
        s << in.rdbuf();
        std::string log = s.str();
        int n = 0;
        for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    }

    std::string m_home;
    std::atomic<std::uint32_t> m_clock{5000};
    std::shared_ptr<CTimerManager> m_timers;
    std::unique_ptr<CNetMsgThread> m_net;
};

TEST_F(MsgHandlerTest, ServerAddressOf31CharactersIsTakenAnd32Refused) {
    ProbeHandler h;
    EXPECT_TRUE(h.SetServerAddr("10.0.0.1", 5000));
    std::string longest(31, 'a');
    EXPECT_TRUE(h.SetServerAddr(longest.c_str(), 70000)); // the port is kept as given
    EXPECT_EQ(h.GetServerAddr(), longest);
    EXPECT_EQ(CountInLog("Set MsgHandler Server Addr " + longest + ":4464"), 1); // 70000 as u16
    EXPECT_FALSE(h.SetServerAddr(std::string(32, 'b').c_str(), 1));
    EXPECT_EQ(h.GetServerAddr(), longest);
    EXPECT_EQ(CountInLog("Set MsgHandler Server Addr Error, the Addr size is too long"), 1);
    EXPECT_TRUE(h.SetServerAddr(0x0401A8C0u, 7)); // bytes in memory order: C0 A8 01 04
    EXPECT_EQ(h.GetServerAddr(), "192.168.1.4");
}

TEST_F(MsgHandlerTest, FailingHostLookupRunsOutsideEveryLockAndIsNotRepeatedAtOnce) {
    Event entered(true, false), release(true, false);
    std::atomic<int> lookups{0};
    InstallHostLookup([&](const std::string& name, std::uint32_t*) {
        ++lookups;
        if (name == "slow.invalid") {
            entered.Set();
            release.Wait(10000);
        }
        return false;
    });
    ProbeHandler h;
    ASSERT_TRUE(h.CreateLink(kSockDatagram, 0));
    std::uint8_t packet[12] = {};
    h.BuildHeader(packet, sizeof(packet), 0x0199, 0);
    std::thread setter([&] { h.SetServerAddr("slow.invalid", 4000); });
    ASSERT_TRUE(entered.Wait(5000));
    // While the lookup hangs: the address, a new request and its resend (under the timer
    // list lock) all go ahead, and the resend does not look the name up again.
    auto other = std::async(std::launch::async, [&] {
        const std::string address = h.GetServerAddr();
        h.AddPending(packet, sizeof(packet), 2, 1000, 1, 0);
        Advance(1001);
        return address;
    });
    ASSERT_EQ(other.wait_for(std::chrono::seconds(3)), std::future_status::ready) << "blocked by the lookup";
    EXPECT_EQ(other.get(), "slow.invalid");
    EXPECT_EQ(CountInLog("ReSendData"), 1);
    release.Set();
    setter.join();
    EXPECT_EQ(lookups.load(), 1);
    // The failure is remembered: a send fails at once, without another lookup.
    EXPECT_EQ(h.SendData(packet, sizeof(packet), false, 0, 0, 0), 0);
    EXPECT_EQ(lookups.load(), 1);
    EXPECT_EQ(CountInLog("MsgHandler cannot look up slow.invalid"), 1);
    InstallHostLookup(nullptr);
    h.RemoveAllPending();
}

TEST_F(MsgHandlerTest, LinkRules) {
    ProbeHandler h;
    EXPECT_EQ(h.SendData(reinterpret_cast<const std::uint8_t*>("12345678"), 8, true, 5, 5000, 0), 0);
    EXPECT_EQ(m_timers->Count(), 0u); // without a link nothing is registered
    EXPECT_FALSE(h.CreateLink(7, 0));
    EXPECT_EQ(CountInLog("Socket Type Error"), 1);
    ASSERT_TRUE(h.CreateLink(kSockDatagram, 0));
    std::uint32_t link = h.GetLinkId();
    EXPECT_FALSE(h.CreateLink(kSockDatagram, 0));
    EXPECT_EQ(h.GetLinkId(), link);
    EXPECT_EQ(CountInLog("The LinkID was in used"), 1);
    EXPECT_EQ(h.Connect(), 0);
    EXPECT_EQ(CountInLog("Connect Error, SockType is invalid"), 1);
    EXPECT_NE(h.CloseLink(), 0);
    EXPECT_EQ(h.GetLinkId(), 0u);
    EXPECT_EQ(h.GetSockType(), kSockNone);
    EXPECT_EQ(h.CloseLink(), 0);
}

TEST_F(MsgHandlerTest, DelayedSendWaitsAndGoesOutUnderTheNextNumber) {
    FakeUserServer server;
    ProbeHandler h;
    ASSERT_TRUE(h.CreateLink(kSockDatagram, 0));
    h.SetServerAddr("localhost", server.Port()); // resolved once, then kept as a dotted quad
    std::uint8_t packet[12] = {};
    h.BuildHeader(packet, sizeof(packet), 0x0199, 0);
    EXPECT_EQ(GetU32LE(packet + 4), 0u);
    EXPECT_EQ(h.SendData(packet, sizeof(packet), true, 0, 5000, 3000), 1);
    Advance(2999);
    EXPECT_EQ(CountInLog("ReSendData"), 0);
    Advance(2);
    std::optional<Datagram> d = server.Receive();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->type, 0x0199);
    EXPECT_EQ(d->seqNum, 1u);
    EXPECT_EQ(CountInLog("ReSendData SeqNum=1, PktType=0x0199, HandleName=MsgHandler"), 1);
    EXPECT_EQ(h.GetServerAddr(), "127.0.0.1");
    EXPECT_TRUE(h.FindPending(1, 0x0199, 3, true));
    EXPECT_FALSE(h.FindPending(1, 0x0199, 3, true));
}

TEST_F(MsgHandlerTest, StreamKeepAliveRepeatsUnderNewNumbersUntilAnswered) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    listen(listener, 1);
    socklen_t len = sizeof(addr);
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);

    ProbeHandler h;
    ASSERT_TRUE(h.CreateLink(kSockStream, 0));
    h.SetServerAddr("127.0.0.1", ntohs(addr.sin_port));
    ASSERT_EQ(h.Connect(), 1);
    pollfd p{listener, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    int peer = accept(listener, nullptr, nullptr);
    auto readFrame = [&] {
        std::vector<std::uint8_t> frame(16);
        std::size_t got = 0;
        while (got < frame.size()) {
            pollfd q{peer, POLLIN, 0};
            if (poll(&q, 1, 5000) != 1) break;
            ssize_t n = read(peer, frame.data() + got, frame.size() - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        EXPECT_EQ(got, 16u);
        return frame;
    };
    std::vector<std::uint8_t> first = readFrame();
    EXPECT_EQ(first[0], 0xFD);
    EXPECT_EQ(first[3], 2); // scrambled
    EXPECT_EQ(GetU32LE(first.data() + 4), 8u);
    // The stream link's scrambling: key 0x4E2A6C19, chained on the scrambled words.
    std::uint32_t w0 = GetU32LE(first.data() + 8), w1 = GetU32LE(first.data() + 12);
    std::uint32_t type_len = w0 ^ 0x4E2A6C19u, seq = w1 ^ (w0 % 8);
    EXPECT_EQ(type_len, 8u << 16); // PktType 0, PktLen 8
    EXPECT_EQ(seq, 0u);
    EXPECT_TRUE(h.connected);
    EXPECT_EQ(CountInLog("DoTCPKeepAlive"), 1);

    Advance(30001);
    std::vector<std::uint8_t> second = readFrame();
    EXPECT_EQ(GetU32LE(second.data() + 12) ^ (GetU32LE(second.data() + 8) % 8), 1u);
    auto sendFrame = [&](std::vector<std::uint8_t> payload) {
        std::vector<std::uint8_t> frame = {0xFD, 0xFD, 0xFD, 0, 0, 0, 0, 0};
        PutU32LE(frame.data() + 4, static_cast<std::uint32_t>(payload.size()));
        frame.insert(frame.end(), payload.begin(), payload.end());
        ASSERT_EQ(write(peer, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    };
    sendFrame({0, 0, 9, 0, 1, 0, 0, 0}); // PktLen 9 in an 8-byte message
    sendFrame({0, 0, 8, 0, 0, 0, 0, 0}); // the first number: stale
    sendFrame({0, 0, 8, 0, 1, 0, 0, 0}); // the latest number stops the keep-alive
    for (int i = 0; i < 500 && h.answers.load() == 0; ++i) Sleep(10);
    EXPECT_EQ(h.answers.load(), 1);
    EXPECT_EQ(m_timers->Count(), 0u);
    EXPECT_EQ(CountInLog("MsgHandler OnRecv Error(Error Packet Size)"), 1);
    h.CloseLink();
    close(peer);
    close(listener);
}

TEST_F(MsgHandlerTest, ReleasedHandlerIsDeletedLaterOnItsOwnThread) {
    bool deleted = false;
    auto* h = new ProbeHandler(&deleted);
    h->AddUse(); // an operation in progress
    h->Release(); // the owner lets go
    h->ReleaseUse(); // the operation ends: count 0, deletion posted
    EXPECT_FALSE(deleted);
    EXPECT_EQ(h->GetUseCount(), 0);
    EXPECT_FALSE(h->TakeUse()); // never raised again
    h->AddUse();
    EXPECT_EQ(h->GetUseCount(), 0);
    MSG msg;
    while (!deleted && GetMessageTimeout(&msg, 1000)) DispatchMessage(&msg);
    EXPECT_TRUE(deleted);
}

TEST_F(MsgHandlerTest, NotifyWindowDeliveryRules) {
    CNotifyWnd wnd;
    wnd.Create("NotifyWnd");
    ProbeHandler a, b;
    EXPECT_FALSE(wnd.RegisterLink(0, &a));
    EXPECT_FALSE(wnd.RegisterLink(5, nullptr));
    EXPECT_TRUE(wnd.RegisterLink(5, &a));
    EXPECT_FALSE(wnd.RegisterLink(5, &b));
    EXPECT_FALSE(wnd.UnregisterLink(5, &b));

    UdpNotifyBlock block{};
    block.event = LinkEvent{kLinkEventData, 5};
    EXPECT_EQ(wnd.OnUdpNotifyMsg(reinterpret_cast<WPARAM>(&block.event), 0), 0);
    EXPECT_EQ(CountInLog("OnUdpNotifyMsg Error(NULL Pointer)"), 1);
    EXPECT_EQ(wnd.OnTcpNotifyMsg(reinterpret_cast<WPARAM>(&block.event), 0), 0);
    EXPECT_EQ(CountInLog("OnTcpNotifyMsg Error(NULL Pointer"), 1);
    EXPECT_EQ(a.udpEvents, 0);

    LinkEvent closed{kLinkEventClosed, 5};
    wnd.OnUdpNotifyMsg(reinterpret_cast<WPARAM>(&closed), 0);
    wnd.OnTcpNotifyMsg(reinterpret_cast<WPARAM>(&closed), 0);
    EXPECT_EQ(a.udpEvents, 1);
    EXPECT_EQ(a.tcpEvents, 1);
    // Once the owner has let go, stream events stop; datagram events still arrive.
    a.Release();
    wnd.OnUdpNotifyMsg(reinterpret_cast<WPARAM>(&closed), 0);
    wnd.OnTcpNotifyMsg(reinterpret_cast<WPARAM>(&closed), 0);
    EXPECT_EQ(a.udpEvents, 2);
    EXPECT_EQ(a.tcpEvents, 1);
    EXPECT_TRUE(wnd.UnregisterLink(5, &a));
    wnd.OnUdpNotifyMsg(reinterpret_cast<WPARAM>(&closed), 0);
    EXPECT_EQ(a.udpEvents, 2);
    // a is deleted by its posted WM_USER+3 only if the loop runs; drop that message here,
    // since a lives on the stack.
    wnd.Destroy();
    a.Destroy();
}

} // namespace
} // namespace orv::test
