// orvserver and orvcli started for a test the same way everywhere: a home folder of their
// own, system-chosen ports, and a bounded wait for the line that says they are ready.
#pragma once

#include "tests/e2e/child_process.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Starts orvserver on home (diagnostics in its "server.err") with a system-chosen user
// port, ending when its input closes, plus extra options; waits for the "LISTEN user udp "
// line and gives the address on it ("host:port").
bool StartServerProcess(ChildProcess& server, const std::string& home, const std::vector<std::string>& extra,
                        int timeoutMs, std::string* userAddress);

// Starts orvcli for number against serverAddress on home (diagnostics in its "cli.err"),
// logging its events, plus extra options; waits for "EVENT started".
bool StartClientProcess(ChildProcess& client, const std::string& home, const std::string& serverAddress,
                        const std::string& number, const std::string& password,
                        const std::vector<std::string>& extra, int timeoutMs);

// Logs a started orvcli on and reads its EndpointID from its status line; false when either
// does not come within timeoutMs.
bool LogOnClientProcess(ChildProcess& client, int timeoutMs, std::uint32_t* endpoint);

// The port at the end of an address or a LISTEN line ("... 127.0.0.1:4000").
std::uint16_t PortOf(const std::string& line);

} // namespace orv
