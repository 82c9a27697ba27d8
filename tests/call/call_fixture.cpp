#include "tests/call/call_fixture.h"

#include "client/call/call_state.h"
#include "client/log/log.h"
#include "platform/paths.h"
#include "tests/handlers/fake_user_server.h"
#include "tests/handlers/session_fixture.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace orv::test {

namespace {
constexpr int kWaitMs = 5000;
}

void TestCallOwner::OnCallRinging(TalkServHandler* handler, const std::string& callerId) {
    std::lock_guard<std::mutex> lock(m_lock);
    ringing.store(handler);
    m_ringingCaller = callerId;
}

std::string TestCallOwner::RingingCaller() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_ringingCaller;
}

void TestCallOwner::OnCallHandlerGone(TalkServHandler* handler) {
    TalkServHandler* expected = handler;
    ringing.compare_exchange_strong(expected, nullptr);
    gone.fetch_add(1);
}

int TestCallOwner::RequestCallForward(int type, std::uint32_t servId, std::uint32_t callId,
                                      const std::string& caller) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_forwards.push_back({type, servId, callId, caller});
    return forwardResult.load();
}

std::vector<ForwardRequest> TestCallOwner::Forwards() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_forwards;
}

void CallTest::SetUp() {
    ASSERT_NO_FATAL_FAILURE(OpenShell(kTestEndpoint, "call test shell"));
    m_config->Audio().device = "test sound";
    m_config->Audio().captureCodecs = {4, 1, 2, 3};
    m_config->Audio().playCodecs = {4, 1, 2, 3};
    m_records->Load("8001");
    SetCallState(CALLSTATE_IDLE, false);
    SetCallStateWindow(m_window->GetSafeHwnd());
    SetHookStateSource(nullptr);
    m_owner.window = m_window->GetSafeHwnd();
    m_owner.config = m_config.get();
    m_owner.records = m_records.get();
}

void CallTest::TearDown() {
    if (m_handler != nullptr && m_owner.gone.load() == m_goneBefore) CloseAndWaitGone();
    SetCallStateWindow(0);
    SetCallState(CALLSTATE_IDLE, false);
    SetHookStateSource(nullptr);
    CloseShell();
}

TalkEstablish CallTest::Notice(bool caller, std::uint8_t noForward) const {
    TalkEstablish n;
    n.callId = kTestCallId;
    n.callingNumber = caller ? "8001" : "8002";
    n.role = caller ? kRoleCaller : 0;
    n.noForward = noForward;
    n.servId = kTestServId;
    n.talkServIP = 0x0100007F; // 127.0.0.1, first octet in the lowest byte
    n.talkServPort = m_server.Port();
    n.peerAudioIP = 0x0100007F;
    n.peerAudioPort = m_audio.Port();
    n.peerVideoIP = 0x0100007F;
    n.peerVideoPort = m_video.Port();
    return n;
}

TalkServHandler* CallTest::StartCall(bool caller, bool accept, std::uint8_t noForward) {
    m_goneBefore = m_owner.gone.load();
    // A caller's handler exists only after its own request moved the state on.
    if (caller && GetCallState() == CALLSTATE_IDLE) SetCallState(CALLSTATE_SENDREQUEST, true);
    TalkEstablish n = Notice(caller, noForward);
    m_handler = new TalkServHandler(caller ? "8001" : "8002", caller ? "8002*33" : "8001", "8001", &m_owner, n, 0,
                                    false);
    m_handler->Start();
    if (accept) {
        EXPECT_TRUE(m_server.Accept());
    }
    return m_handler;
}

TalkMessage CallTest::ConnectAndSetup(bool caller) {
    StartCall(caller);
    WaitLog("DoTCPKeepAlive CallID=");
    Expect(PKT_TALK_KEEPALIVE);
    Advance(kSetupDelayMs + 1);
    return Expect(PKT_CALL_SETUP);
}

void CallTest::SendAccept(std::uint32_t peerIP) {
    m_server.Send(TalkPacket(PKT_CALL_ACCEPT, 0, kTestCallId, MediaParamsBody(4, peerIP, 40000, 40002)));
}

void CallTest::SendReason(std::uint16_t type, std::uint32_t reason) {
    m_server.Send(TalkPacket(type, 0, kTestCallId, U32(reason)));
}

void CallTest::SendByte(std::uint16_t type, std::uint8_t value) {
    m_server.Send(TalkPacket(type, 0, kTestCallId, U8(value)));
}

void CallTest::Advance(std::uint32_t ms) {
    m_clock += ms;
    m_timers->ScanOnce();
}

TalkMessage CallTest::Expect(std::uint16_t type) {
    std::optional<TalkMessage> m = m_server.Receive(kWaitMs);
    // Keep-alives come every 30 s of test time; only a test that asks for one sees them.
    while (m && type != PKT_TALK_KEEPALIVE && m->type == PKT_TALK_KEEPALIVE) m = m_server.Receive(kWaitMs);
    if (!m) {
        ADD_FAILURE() << "no message, expected type 0x" << std::hex << type;
        return {};
    }
    EXPECT_EQ(m->type, type) << "expected type 0x" << std::hex << type << ", got 0x" << m->type;
    EXPECT_EQ(m->length, m->packet.size());
    EXPECT_EQ(m->callId, kTestCallId);
    return *m;
}

void CallTest::Pump() {
    MSG msg;
    while (PeekMessage(&msg, true)) DispatchMessage(&msg);
}

bool CallTest::WaitEvent(int code) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const MSG& m : m_messages)
            if (m.message == WM_TALK_EVENT && static_cast<int>(m.wParam) == code) return true;
        MSG msg;
        if (GetMessageTimeout(&msg, 20)) DispatchMessage(&msg);
    }
    ADD_FAILURE() << "event " << code << " did not arrive";
    return false;
}

std::vector<int> CallTest::EventCodes() {
    Pump();
    std::vector<int> codes;
    for (const MSG& m : m_messages)
        if (m.message == WM_TALK_EVENT) codes.push_back(static_cast<int>(m.wParam));
    return codes;
}

std::vector<LPARAM> CallTest::EventValues(int code) {
    Pump();
    std::vector<LPARAM> values;
    for (const MSG& m : m_messages)
        if (m.message == WM_TALK_EVENT && static_cast<int>(m.wParam) == code) values.push_back(m.lParam);
    return values;
}

std::vector<int> CallTest::StatePosts() {
    Pump();
    std::vector<int> states;
    for (const MSG& m : m_messages)
        if (m.message == WM_CALL_STATE) states.push_back(static_cast<int>(m.wParam));
    return states;
}

bool CallTest::WaitFor(const std::function<bool()>& condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool CallTest::WaitState(int state) {
    if (WaitFor([state] { return GetCallState() == state; })) return true;
    ADD_FAILURE() << "the call state stayed " << GetCallState() << ", expected " << state;
    return false;
}

bool CallTest::WaitLog(const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (CountInLog(text) > 0) return true;
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ADD_FAILURE() << "log line \"" << text << "\" did not appear";
    return false;
}

int CallTest::CountInLog(const std::string& text) const {
    std::ifstream in(JoinPath(m_home, ModuleName() + ".log"));
    std::stringstream s;
    s << in.rdbuf();
    std::string log = s.str();
    int count = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
}

void CallTest::CloseAndWaitGone() {
    m_server.CloseConnection();
    WaitGone();
}

bool CallTest::WaitGone() {
    bool gone = WaitLog("TalkServerHandle Destruct");
    m_handler = nullptr;
    return gone;
}

} // namespace orv::test
