#include "tests/handlers/session_fixture.h"

#include "client/log/log.h"
#include "platform/paths.h"
#include "platform/tick.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace orv::test {

namespace {
constexpr int kWaitMs = 5000;
}

void SessionTest::SetUp() {
    ASSERT_NO_FATAL_FAILURE(OpenShell(0, "test shell"));
    m_handler = new CUserServHandler(*m_config, m_records.get());
    ASSERT_NE(m_handler->GetLinkId(), 0u);
    m_handler->SetTickSource([this] { return m_clock.load(); });
    m_handler->SetLogonWindow(m_window->GetSafeHwnd());
    m_handler->SetMainWindow(m_window->GetSafeHwnd());
    m_handler->SetConfWindow(m_window->GetSafeHwnd());
    m_handler->SetServerAddr("127.0.0.1", m_server.Port());
}

void SessionTest::TearDown() {
    delete m_handler;
    for (MSG& m : m_messages)
        if (m.message == WM_SERVER_FAILURE) delete[] reinterpret_cast<std::uint8_t*>(m.lParam);
    CloseShell();
}

void SessionTest::Advance(std::uint32_t ms) {
    m_clock += ms;
    m_timers->ScanOnce();
}

Datagram SessionTest::Expect(std::uint16_t type) {
    std::optional<Datagram> d = m_server.Receive(kWaitMs);
    if (!d) {
        ADD_FAILURE() << "no datagram, expected type 0x" << std::hex << type;
        return {};
    }
    EXPECT_EQ(d->type, type) << "expected type 0x" << std::hex << type << ", got 0x" << d->type;
    EXPECT_EQ(d->length, d->payload.size());
    return *d;
}

MSG SessionTest::WaitMessage(UINT message) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    std::size_t seen = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        for (; seen < m_messages.size(); ++seen)
            if (m_messages[seen].message == message) return m_messages[seen];
        MSG msg;
        if (GetMessageTimeout(&msg, 50)) DispatchMessage(&msg);
    }
    ADD_FAILURE() << "message WM_USER+" << (message - WM_USER) << " did not arrive";
    return MSG{};
}

std::vector<MSG> SessionTest::TakeMessages() {
    MSG msg;
    while (PeekMessage(&msg, true)) DispatchMessage(&msg);
    return m_messages;
}

void SessionTest::Fence() {
    ++m_fences;
    m_server.Send(0x01EE, 0, {});
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (CountInLog("Unknow Packet Type=0x01ee") < m_fences) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the handler did not take the fence packet";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string SessionTest::LogText() const {
    std::ifstream in(JoinPath(m_home, ModuleName() + ".log"));
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int SessionTest::CountInLog(const std::string& text) const {
    std::string log = LogText();
    int count = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
}

bool SessionTest::WaitLog(const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (LogText().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ADD_FAILURE() << "log line \"" << text << "\" did not appear";
    return false;
}

Datagram SessionTest::LocateAndLogin() {
    m_handler->SetLoginInfo("8001", "0A1B2C3D-0A1B2C3D-0A1B2C3D-0A1B2C3D");
    EXPECT_NE(m_handler->QuerySvrIPPort(5), 0);
    Datagram query = Expect(PKT_QUERY_SVR_IPPORT);
    // The user server is the same socket: 127.0.0.1, first octet in the lowest byte.
    m_server.Send(PKT_QUERY_SVR_IPPORT, query.seqNum, Cat({U8(127), U8(0), U8(0), U8(1), U16(m_server.Port())}));
    return Expect(PKT_LOGIN);
}

std::map<std::uint16_t, Datagram> SessionTest::LogOn(std::uint32_t endpoint, bool answerCustomInfo) {
    Datagram login = LocateAndLogin();
    m_server.Send(PKT_LOGIN, login.seqNum, Cat({U8(0), U32(endpoint)}));
    std::map<std::uint16_t, Datagram> sent;
    for (std::uint16_t type : {PKT_KEEPALIVE, PKT_FRIEND_INDEX, PKT_CUSTOM_INFO, PKT_OFFLINE_CALLS, PKT_GET_FORWARD,
                               PKT_SUPPORT_INFO, PKT_QUERY_BIND_OPT})
        sent[type] = Expect(type);
    // Empty lists, no forwarding settings, the account not bound.
    m_server.Send(PKT_FRIEND_INDEX, sent[PKT_FRIEND_INDEX].seqNum, U16(0));
    m_server.Send(PKT_OFFLINE_CALLS, sent[PKT_OFFLINE_CALLS].seqNum, U16(0));
    m_server.Send(PKT_GET_FORWARD, sent[PKT_GET_FORWARD].seqNum, Cat({U8(255), U32(1)}));
    m_server.Send(PKT_SUPPORT_INFO, sent[PKT_SUPPORT_INFO].seqNum, U16(0));
    m_server.Send(PKT_QUERY_BIND_OPT, sent[PKT_QUERY_BIND_OPT].seqNum, U8('0'));
    if (answerCustomInfo) m_server.Send(PKT_CUSTOM_INFO, sent[PKT_CUSTOM_INFO].seqNum, std::vector<std::uint8_t>(132, 0));
    Fence();
    return sent;
}

} // namespace orv::test
