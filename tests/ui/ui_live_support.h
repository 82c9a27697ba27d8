// A real orvserver for the window's live tests, in a home folder of its own, on ports the
// system chooses.
#pragma once

#include "client/data/client_config.h"
#include "client/video/devices/video_device_list.h"
#include "tests/e2e/service_processes.h"
#include "tests/server/test_folder.h"
#include "tests/ui/ui_test_support.h"

#include <QTest>
#include <csignal>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace orv {

constexpr int kWaitMs = 20000;

class LiveServer {
public:
    bool Start() {
        if (!StartServerProcess(server_, home_.Path(), {}, kWaitMs, &address_)) return false;
        const std::size_t colon = address_.rfind(':');
        if (colon == std::string::npos) return false;
        host_ = address_.substr(0, colon);
        port_ = PortOf(address_);
        return true;
    }
    // Stops the server at once, as a crash would.
    bool Stop() {
        server_.Signal(SIGKILL);
        return server_.WaitExit(kWaitMs);
    }
    // Starts it again on the same home folder and user port.
    bool StartAgain() {
        std::string address;
        return StartServerProcess(again_, home_.Path(), {"--user-port", std::to_string(port_)}, kWaitMs, &address) &&
               address == address_;
    }
    const std::string& Address() const { return address_; }
    const std::string& Host() const { return host_; }
    std::uint16_t Port() const { return port_; }
    std::string Output() const { return server_.Output(); }
    // An administration command on the server's console, and the line that confirms it.
    bool Admin(const std::string& command, const std::string& confirmation) {
        return server_.WriteLine(command) && server_.WaitForLine(confirmation, kWaitMs);
    }
    bool WaitForText(const std::string& text, std::string* line = nullptr, int timeoutMs = kWaitMs) {
        return server_.WaitForText(text, timeoutMs, line);
    }

private:
    TestFolder home_;
    ChildProcess server_;
    ChildProcess again_;
    std::string address_, host_;
    std::uint16_t port_ = 0;
};

// The start the window's live tests share: the server up and the fixture's core logged on
// to it as 8001 (its logon complete). A failure says which step failed.
inline ::testing::AssertionResult StartAndLogOn(LiveServer& server, UiFixture& f) {
    if (!server.Start()) return ::testing::AssertionFailure() << "the server did not start: " << server.Output();
    if (!f.Ready()) return ::testing::AssertionFailure() << f.Error();
    if (!f.Core().Logon(server.Host(), server.Port(), "8001", "1111")) {
        return ::testing::AssertionFailure() << "the logon was not sent";
    }
    if (!QTest::qWaitFor([&] { return f.Relay().Seen("logon_complete"); }, kWaitMs)) {
        return ::testing::AssertionFailure() << "no logon_complete: " << server.Output();
    }
    return ::testing::AssertionSuccess();
}

// Waits for an orvcli line while the window's event loop runs (the call needs both ends).
inline bool CliLine(ChildProcess& cli, const std::string& prefix, int timeoutMs, std::string* line = nullptr) {
    return QTest::qWaitFor([&] { return cli.WaitForLine(prefix, 20, line); }, timeoutMs);
}

// The window's own camera: the test pattern at the given quality, frame rate and format.
inline void UseTestPatternCamera(ClientConfig& config, int quality, int frameRate, int format) {
    config.Video().videoQual = quality;
    config.Video().frameRate = frameRate;
    config.Video().videoFormat = format;
    config.Video().device = kTestPatternCameraName;
}

} // namespace orv
