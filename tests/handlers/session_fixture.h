// A user-server handler wired as in the client: a real network thread with both link
// libraries, a real configuration and call record store in a temporary home folder, the
// timer manager without its own thread on a test clock, a window of the test thread that
// collects the handler's posted messages, and a fake user server on 127.0.0.1.
#pragma once

#include "client/userserver/user_serv_handler.h"
#include "tests/handlers/client_shell_fixture.h"
#include "tests/handlers/fake_user_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {

class SessionTest : public ClientShellTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Moves the test clock on and runs one timer pass.
    void Advance(std::uint32_t ms);
    // The next datagram the client sends; fails the test when none comes or it is not type.
    Datagram Expect(std::uint16_t type);
    // Pumps the test thread's queue until message arrives (bounded); returns it.
    MSG WaitMessage(UINT message);
    // Runs what is queued for the test thread and returns every message collected so far.
    std::vector<MSG> TakeMessages();
    // Sends a packet of an unknown type and waits until the handler has logged it: the
    // network thread handles datagrams in order, so everything sent before is done.
    void Fence();
    // Waits (bounded) until the log holds text.
    bool WaitLog(const std::string& text);
    std::string LogText() const;
    int CountInLog(const std::string& text) const;

    // Locates the server and logs on; returns the login request. Leaves the keep-alive and
    // the info requests that follow a successful login unread unless drainAfter is set.
    Datagram LocateAndLogin();
    // A full logon up to the login answer (endpoint), reading the keep-alive and the six
    // info requests that follow and answering the info requests (the custom information
    // only when asked), so that only the keep-alive stays pending; returns them by type.
    std::map<std::uint16_t, Datagram> LogOn(std::uint32_t endpoint = 77, bool answerCustomInfo = true);

    CUserServHandler* m_handler = nullptr;
    FakeUserServer m_server;
    int m_fences = 0;
};

} // namespace orv::test
