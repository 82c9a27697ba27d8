// A talk-server handler wired as in the client: a real network thread with both link
// libraries, a real configuration and call record store in a temporary home folder, the
// timer manager without its own thread on a test clock, a window of the test thread that
// collects the handler's events and the call-state messages, an owner that records what the
// handler asks of it, and a fake talk server and media rendezvous on 127.0.0.1.
#pragma once

#include "client/call/talk_serv_handler.h"
#include "tests/call/fake_talk_server.h"
#include "tests/handlers/client_shell_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv::test {

struct ForwardRequest {
    int type = 0;
    std::uint32_t servId = 0;
    std::uint32_t callId = 0;
    std::string caller;
};

class TestCallOwner : public CallOwner {
public:
    HWND CallEventWindow() const override { return window; }
    ClientConfig& CallConfig() override { return *config; }
    CallRecordList* CallRecords() override { return records; }
    void OnCallRinging(TalkServHandler* handler, const std::string& callerId) override;
    void OnCallHandlerGone(TalkServHandler* handler) override;
    int RequestCallForward(int type, std::uint32_t servId, std::uint32_t callId, const std::string& caller) override;

    std::vector<ForwardRequest> Forwards();
    std::string RingingCaller();

    HWND window = 0;
    ClientConfig* config = nullptr;
    CallRecordList* records = nullptr;
    std::atomic<int> forwardResult{0};
    std::atomic<TalkServHandler*> ringing{nullptr};
    std::atomic<int> gone{0};

private:
    std::mutex m_lock;
    std::string m_ringingCaller;
    std::vector<ForwardRequest> m_forwards;
};

constexpr std::uint32_t kTestCallId = 0x1234;
constexpr std::uint32_t kTestServId = 7;
constexpr std::uint32_t kTestEndpoint = 77;

class CallTest : public ClientShellTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A handler for a call whose talk server and rendezvous are the fakes; accepted by the
    // talk server unless accept is false.
    TalkServHandler* StartCall(bool caller, bool accept = true, std::uint8_t noForward = 0);
    TalkEstablish Notice(bool caller, std::uint8_t noForward = 0) const;
    // Connects and lets the delayed CallSetup leave; returns it.
    TalkMessage ConnectAndSetup(bool caller);
    // The talk server's accept with the rendezvous as both peer addresses.
    void SendAccept(std::uint32_t peerIP = 0x0100007F);
    void SendReason(std::uint16_t type, std::uint32_t reason);
    void SendByte(std::uint16_t type, std::uint8_t value);

    void Advance(std::uint32_t ms);
    // The next message from the client; fails the test when none comes or its type differs.
    TalkMessage Expect(std::uint16_t type);
    // Pumps the test thread until an event (WM_USER+1) with this code arrives.
    bool WaitEvent(int code);
    // Runs what is queued for the test thread.
    void Pump();
    std::vector<int> EventCodes();            // WM_USER+1 codes in order
    std::vector<LPARAM> EventValues(int code); // values posted with a code
    std::vector<int> StatePosts();            // WM_USER+5 states in order
    bool WaitLog(const std::string& text);
    bool WaitState(int state);
    // Polls condition (bounded, from any thread) until it holds; false when it never did.
    static bool WaitFor(const std::function<bool()>& condition);
    int CountInLog(const std::string& text) const;
    // Ends the handler by closing the talk server's side and waits until it was deleted.
    void CloseAndWaitGone();
    bool WaitGone();

    TestCallOwner m_owner;
    FakeTalkServer m_server;
    FakeRendezvous m_audio;
    FakeRendezvous m_video;
    TalkServHandler* m_handler = nullptr;
    int m_goneBefore = 0;
};

} // namespace orv::test
