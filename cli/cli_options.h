// Command-line options of orvcli.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

struct CliOptions {
    std::string serverHost;
    std::uint16_t serverPort = 0;
    std::string number;
    std::string password;
    std::string scriptFile; // empty: commands come from standard input
    bool log = false;
    std::string logLevel; // empty: every level
    int videoCodec = 0;   // 1..3: the only video codec offered; 0: the configured ones
    bool handset = false; // drive the handset through libhandsetsys.so beside the program
    bool help = false;
};

// Parses argv (after --home has been taken out). False with a message in *error.
bool ParseCliOptions(int argc, const char* const* argv, CliOptions* options, std::string* error);
// "HOST:PORT" with a port 1..65535.
bool ParseHostPort(const std::string& text, std::string* host, std::uint16_t* port);

extern const char* const kCliHelp;

} // namespace orv
