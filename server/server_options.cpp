#include "server/server_options.h"

#include "platform/paths.h"
#include "server/subscriber_db.h"
#include "wire/ipv4_text.h"

#include <charconv>

namespace orv {

const char* const kServerHelp =
    "usage: orvserver [--home DIR] [options]        run the user server\n"
    "       orvserver [--home DIR] COMMAND ARGS...   manage the subscriber database\n"
    "\n"
    "The database \"orvserver.db\" lies in the home folder (--home DIR, else ORV_HOME, else\n"
    "the program folder); a first start of the server creates it with a few demo subscribers\n"
    "printed as \"DEMO number=... password=... state=...\" lines (an admin command on a new\n"
    "home folder creates it empty). An existing file that is empty, damaged, not a database\n"
    "or cannot be written stops the start with a message; it is never taken for a new one.\n"
    "\n"
    "options:\n"
    "  --address ADDR         bind the user server to this IPv4 address (default 127.0.0.1)\n"
    "  --user-port PORT       its UDP port (default 17001; 0 = chosen by the system)\n"
    "  --public-address ADDR  the address answered to QuerySvrIPPort (default: the bound\n"
    "                         address, or the first non-loopback one when bound to 0.0.0.0)\n"
    "  --ttl SECONDS          keep-alive TTL told to clients (default 90, at least 1); a\n"
    "                         registration without keep-alive for that long expires\n"
    "  --nat-interval SECONDS NAT detect to every registration this often (default 60; 0 = off)\n"
    "  --receive-buffer BYTES the user server's socket buffer for datagrams not yet read\n"
    "                         (default 8388608), so bursts under load are not dropped\n"
    "  --talk-port PORT       the talk server's TCP port on the same address (default 17002;\n"
    "                         0 = chosen by the system, also the default with --user-port 0)\n"
    "  --media-port PORT      the media rendezvous: audio on this UDP port, video on the next\n"
    "                         (default 17004; 0 = both chosen, also the default with --user-port 0)\n"
    "  --account-port PORT    the account server's TCP port (default 17006; 0 = chosen by the\n"
    "                         system, also the default with --user-port 0)\n"
    "  --update-port PORT     the update server's TCP port (default 17007; 0 = chosen by the\n"
    "                         system, also the default with --user-port 0)\n"
    "  --update-dir DIR       the folder of files offered to clients' live update (default\n"
    "                         \"updates\" in the home folder)\n"
    "  --update-key FILE      the key that signs the offered files (default \"update_sign.key\"\n"
    "                         in the home folder; made when missing)\n"
    "  --echo-number NUMBER   the echo-test service's number (default 9999): the server answers\n"
    "                         a call to it and sends back what it receives\n"
    "  --media-relay          media of every call go through the rendezvous (default: the\n"
    "                         parties send to each other's learned addresses)\n"
    "  --media-announce ADDR:AUDIO:VIDEO  announce the rendezvous at this address and these\n"
    "                         ports instead (a translator or relay that forwards to it)\n"
    "  --demo                 add the demo subscribers that are missing (and the demo support\n"
    "                         entry when there is none) to an existing database\n"
    "  --quit-on-eof          stop when standard input ends (so a test's server never\n"
    "                         outlives the test)\n"
    "  --help                 this text\n"
    "\n"
    "On start the server prints \"LISTEN user udp ADDR:PORT\", \"LISTEN talk tcp ADDR:PORT\",\n"
    "\"LISTEN audio udp ADDR:PORT\", \"LISTEN video udp ADDR:PORT\", \"LISTEN account tcp ADDR:PORT\",\n"
    "\"UPDATE-KEY HEX\" (the public key clients check the offered files with) and\n"
    "\"LISTEN update tcp ADDR:PORT\" on standard output, an \"ACCOUNT ...\" line for each query or\n"
    "refill of a subscriber, an \"UPDATE ...\" line for each file list and download, and a\n"
    "\"CALL ...\" line when a call ends and a \"DTMF ...\" line for digits sent in a call. While it\n"
    "runs, each line on its standard input is an admin command (below), answered with\n"
    "\"ADMIN ok ...\" or \"ADMIN error ...\" lines; \"quit\" stops it, as do SIGINT and SIGTERM.\n"
    "A running server also answers \"calls [N]\" with its latest N call records (default 20) as\n"
    "\"CALLREC ...\" lines.\n"
    "\n"
    "commands:\n";

namespace {

bool ParseNumber(const std::string& text, std::uint32_t max, std::uint32_t* value) {
    std::uint32_t v = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end || v > max) return false;
    *value = v;
    return true;
}

// The setting an option without a value turns on; null for any other option.
bool* FlagOption(const std::string& arg, ServerOptions* options) {
    if (arg == "--help") return &options->help;
    if (arg == "--quit-on-eof") return &options->quitOnEof;
    if (arg == "--media-relay") return &options->mediaRelay;
    if (arg == "--demo") return &options->demo;
    return nullptr;
}

} // namespace

std::string UpdateFolderOf(const ServerOptions& options) {
    return options.updateFolder.empty() ? JoinPath(HomeFolder(), "updates") : options.updateFolder;
}

std::string UpdateKeyFileOf(const ServerOptions& options) {
    return options.updateKeyFile.empty() ? JoinPath(HomeFolder(), "update_sign.key") : options.updateKeyFile;
}

bool ParseServerOptions(int argc, const char* const* argv, ServerOptions* options, std::string* error) {
    bool talkPortGiven = false;
    bool mediaPortGiven = false;
    bool accountPortGiven = false;
    bool updatePortGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!options->command.empty() || arg.rfind("--", 0) != 0) {
            options->command.push_back(arg);
            continue;
        }
        if (bool* flag = FlagOption(arg, options)) {
            *flag = true;
            continue;
        }
        if (i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        std::uint32_t n = 0;
        if (arg == "--address" || arg == "--public-address") {
            if (!IsDottedQuad(value)) {
                *error = arg + " needs a dotted-quad IPv4 address";
                return false;
            }
            (arg == "--address" ? options->address : options->publicAddress) = value;
        } else if (arg == "--user-port") {
            if (!ParseNumber(value, 65535, &n)) {
                *error = "--user-port needs a port 0..65535";
                return false;
            }
            options->userPort = static_cast<std::uint16_t>(n);
        } else if (arg == "--talk-port" || arg == "--media-port") {
            if (!ParseNumber(value, 65535, &n)) {
                *error = arg + " needs a port 0..65535";
                return false;
            }
            (arg == "--talk-port" ? options->talkPort : options->mediaPort) = static_cast<std::uint16_t>(n);
            (arg == "--talk-port" ? talkPortGiven : mediaPortGiven) = true;
        } else if (arg == "--account-port") {
            if (!ParseNumber(value, 65535, &n)) {
                *error = arg + " needs a port 0..65535";
                return false;
            }
            options->accountPort = static_cast<std::uint16_t>(n);
            accountPortGiven = true;
        } else if (arg == "--update-port") {
            if (!ParseNumber(value, 65535, &n)) {
                *error = arg + " needs a port 0..65535";
                return false;
            }
            options->updatePort = static_cast<std::uint16_t>(n);
            updatePortGiven = true;
        } else if (arg == "--update-dir" || arg == "--update-key") {
            if (value.empty()) {
                *error = arg + " needs a path";
                return false;
            }
            (arg == "--update-dir" ? options->updateFolder : options->updateKeyFile) = value;
        } else if (arg == "--media-announce") {
            const auto first = value.find(':');
            const auto second = value.find(':', first == std::string::npos ? first : first + 1);
            std::uint32_t audio = 0;
            std::uint32_t video = 0;
            if (first == std::string::npos || second == std::string::npos || !IsDottedQuad(value.substr(0, first)) ||
                !ParseNumber(value.substr(first + 1, second - first - 1), 65535, &audio) ||
                !ParseNumber(value.substr(second + 1), 65535, &video) || audio == 0 || video == 0) {
                *error = "--media-announce needs ADDR:AUDIOPORT:VIDEOPORT";
                return false;
            }
            options->mediaAnnounceAddress = value.substr(0, first);
            options->mediaAnnounceAudio = static_cast<std::uint16_t>(audio);
            options->mediaAnnounceVideo = static_cast<std::uint16_t>(video);
        } else if (arg == "--echo-number") {
            if (!IsValidNumber(value)) {
                *error = "--echo-number needs 1..31 characters from digits, letters, '_', '.', '-'";
                return false;
            }
            options->echoNumber = value;
        } else if (arg == "--ttl") {
            if (!ParseNumber(value, 86400, &n) || n == 0) {
                *error = "--ttl needs 1..86400 seconds";
                return false;
            }
            options->ttlSeconds = n;
        } else if (arg == "--receive-buffer") {
            if (!ParseNumber(value, 256u << 20, &n) || n < 65536) {
                *error = "--receive-buffer needs 65536..268435456 bytes";
                return false;
            }
            options->receiveBufferBytes = n;
        } else if (arg == "--nat-interval") {
            if (!ParseNumber(value, 86400, &n)) {
                *error = "--nat-interval needs 0..86400 seconds";
                return false;
            }
            options->natIntervalSeconds = n;
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    // Servers started side by side (tests) bind every port by the system's choice.
    if (options->userPort == 0 && !talkPortGiven) options->talkPort = 0;
    if (options->userPort == 0 && !mediaPortGiven) options->mediaPort = 0;
    if (options->userPort == 0 && !accountPortGiven) options->accountPort = 0;
    if (options->userPort == 0 && !updatePortGiven) options->updatePort = 0;
    return true;
}

} // namespace orv
