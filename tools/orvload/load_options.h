// orvload's command line. Every count and time is bounded, and the server must be on the
// loopback network unless --allow-remote is given.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

constexpr std::uint32_t kLoadMaxClients = 200000;
constexpr std::uint32_t kLoadMaxSeconds = 3600;
constexpr std::uint32_t kLoadMaxRate = 50000;
constexpr std::uint32_t kLoadMaxGroups = 100;
constexpr std::uint32_t kLoadMaxCalls = 1000;

struct LoadOptions {
    std::string serverAddress;           // dotted quad
    std::uint16_t serverPort = 0;
    std::uint32_t clients = 1000;
    std::uint64_t firstNumber = 100000;  // client i logs on as firstNumber + i
    std::string password = "load";
    std::uint32_t rate = 500;            // first logons per second
    std::uint32_t durationSeconds = 60;  // the whole run, at most
    // Stop once this many logons were accepted and every client is registered and kept
    // alive; 0 = run the whole duration.
    std::uint64_t untilLogons = 0;
    std::uint32_t reportSeconds = 0;     // a PROGRESS line this often; 0 = none
    int serverPid = 0;                   // the server's process, for its CPU and memory
    std::uint32_t groups = 0;            // logon latency per consecutive group of first logons
    std::uint32_t clientsPerAddress = 20000; // local loopback addresses 127.0.1.x share out the sockets
    std::uint32_t echoCalls = 0;         // calls to the echo number at a time, by the first clients
    std::uint32_t callSeconds = 10;      // each call's length
    std::string echoNumber = "9999";
    bool allowRemote = false;
    std::string writeSubscribers;        // write the subscriber file for the server's import and stop
    bool help = false;
};

extern const char* const kLoadHelp;

// False with a message in *error.
bool ParseLoadOptions(int argc, const char* const* argv, LoadOptions* options, std::string* error);

} // namespace orv
