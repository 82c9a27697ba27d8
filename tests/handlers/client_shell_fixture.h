// What the client's handlers run in during a test, wired as in the client: a temporary home
// folder with the log open, the timer manager without its own thread on a test clock, a
// real network thread, a real configuration and call record store, and a window of the
// test thread that collects the messages posted to it.
#pragma once

#include "client/data/call_record_list.h"
#include "client/data/client_config.h"
#include "client/net/net_msg_thread.h"
#include "client/net/timer_manager.h"
#include "platform/message.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {
class CMsgHandler;
}

namespace orv::test {

constexpr int kShellWaitMs = 20000;

std::string MakeTempFolder();
void RemoveFolder(const std::string& folder);
ConfigEnvironment TestConfigEnvironment(const std::string& home);

class ClientShellTest : public ::testing::Test {
protected:
    // endpoint: the session's endpoint number while the test runs (0: not logged on).
    // Fails fatally when the network thread cannot start.
    void OpenShell(std::uint32_t endpoint, const std::string& windowTitle);
    // Takes it all down again, last in first out; the handlers must be gone before.
    void CloseShell();
    // Gives back the test's use of handler (when there is one), lets the handler go on this
    // thread, and closes the shell.
    void ReleaseAndCloseShell(CMsgHandler* handler);

    // Runs the test thread's messages until done() or ms have passed; false on time-out.
    template <typename Done>
    bool Pump(Done done, int ms = kShellWaitMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            MSG msg;
            if (GetMessageTimeout(&msg, 20)) DispatchMessage(&msg);
        }
        return true;
    }

    std::string m_home;
    std::atomic<std::uint32_t> m_clock{1000000};
    std::shared_ptr<CTimerManager> m_timers;
    std::unique_ptr<CNetMsgThread> m_net;
    std::unique_ptr<ClientConfig> m_config;
    std::unique_ptr<CallRecordList> m_records;
    std::unique_ptr<FunctionWindow> m_window;
    std::vector<MSG> m_messages; // collected by m_window
};

} // namespace orv::test
