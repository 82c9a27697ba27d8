// A real orvserver and real orvcli processes on 127.0.0.1 for one test, each with a home
// folder of its own and system-chosen ports. Every wait is bounded; the processes are
// killed when the test ends (clients first).
#pragma once

#include "tests/e2e/service_processes.h"
#include "tests/server/test_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {

class CliProcessesTest : public ::testing::Test {
protected:
    static constexpr int kProcessWaitMs = 20000;

    void StartServer(const std::vector<std::string>& extra = {}) {
        ASSERT_TRUE(StartServerProcess(m_server, m_serverHome.Path(), extra, kProcessWaitMs, &m_serverAddress))
            << m_server.Output();
    }

    // An orvcli for number, started but not logged on.
    ChildProcess& StartClient(const std::string& number, const std::string& password) {
        m_clientHomes.push_back(std::make_unique<TestFolder>());
        m_clients.push_back(std::make_unique<ChildProcess>());
        ChildProcess& client = *m_clients.back();
        EXPECT_TRUE(StartClientProcess(client, m_clientHomes.back()->Path(), m_serverAddress, number, password, {},
                                       kProcessWaitMs))
            << client.Output();
        return client;
    }

    static void LogOn(ChildProcess& client, const std::string& number) {
        ASSERT_TRUE(client.WriteLine("logon"));
        std::string line;
        ASSERT_TRUE(client.WaitForLine("EVENT logon_complete", kProcessWaitMs, &line)) << client.Output();
        EXPECT_NE(line.find("number=" + number), std::string::npos) << line;
    }

    TestFolder m_serverHome;
    ChildProcess m_server;
    std::string m_serverAddress;
    std::vector<std::unique_ptr<TestFolder>> m_clientHomes;
    std::vector<std::unique_ptr<ChildProcess>> m_clients;
};

} // namespace orv
