// orvserver's command line: options of the running server, or an admin command with its
// arguments (--home is taken out before, by the platform's home-folder helper).
#pragma once

#include "wire/service_ports.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

struct ServerOptions {
    std::string address = "127.0.0.1"; // where the user server's link is bound
    std::uint16_t userPort = kDefaultUserServerPort; // 0 = chosen by the system (printed on start)
    // The talk server's stream port and the media rendezvous (audio, video on the next port);
    // 0 = chosen. When the user port is chosen by the system, so are these unless given.
    std::uint16_t talkPort = 17002;
    std::uint16_t mediaPort = 17004;
    // The account server's stream port (0 = chosen, also the default with --user-port 0).
    std::uint16_t accountPort = 17006;
    // The update server's stream port (0 = chosen, also the default with --user-port 0), the
    // folder it serves and its signing key file (empty = "updates" and "update_sign.key" in
    // the home folder).
    std::uint16_t updatePort = 17007;
    std::string updateFolder;
    std::string updateKeyFile;
    std::string echoNumber = "9999";    // the echo-test service's number
    bool mediaRelay = false;            // every call's media through the rendezvous
    // Announce the rendezvous at another address (a translator or relay in front of it):
    // IPv4 address, audio port, video port; empty = the bound ports at the public address.
    std::string mediaAnnounceAddress;
    std::uint16_t mediaAnnounceAudio = 0;
    std::uint16_t mediaAnnounceVideo = 0;
    std::string publicAddress;          // answered to QuerySvrIPPort; empty = derived
    std::uint32_t ttlSeconds = 90;
    std::uint32_t natIntervalSeconds = 60; // 0 = no NAT detects
    std::uint32_t receiveBufferBytes = 8u << 20; // the user server's socket receive buffer
    bool quitOnEof = false;                // stop when standard input ends (tests)
    bool demo = false;                     // add the missing demo subscribers to the database
    std::vector<std::string> command;      // an admin command and its arguments, if any
    bool help = false;
};

// False with a message in *error.
// The update folder and key file, the home folder's when not given.
std::string UpdateFolderOf(const ServerOptions& options);
std::string UpdateKeyFileOf(const ServerOptions& options);

bool ParseServerOptions(int argc, const char* const* argv, ServerOptions* options, std::string* error);

extern const char* const kServerHelp;

} // namespace orv
