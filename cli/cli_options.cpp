#include "cli/cli_options.h"

#include <cctype>
#include <cstdlib>

namespace orv {

const char* const kCliHelp =
    "Usage: orvcli --home DIR --server HOST:PORT --number N --password P [--log [LEVEL]]\n"
    "              [--script FILE] [--audio-device NAME]\n"
    "\n"
    "Runs the ORV client core without a desktop. Commands are read one a line from standard\n"
    "input, or from FILE with --script; input ending works like quit. Every event is printed\n"
    "on standard output as one line:\n"
    "  EVENT name key=value ...      (values with blanks are in double quotes)\n"
    "and where the desktop client would show a message, its text follows as\n"
    "  TEXT [title: ]text\n"
    "\n"
    "Options:\n"
    "  --home DIR          folder of every file the client reads and writes\n"
    "  --server HOST:PORT  the entry user server\n"
    "  --number N          ORV number to log on with\n"
    "  --password P        password (only its digest is sent)\n"
    "  --log [LEVEL]       diagnostic log to orvcli.log in the home folder and to standard\n"
    "                      error; LEVEL keeps lines up to that level (default all)\n"
    "  --script FILE       read commands from FILE instead of standard input\n"
    "  --audio-device NAME the only sound device of this run (also ORV_AUDIO_DEVICE):\n"
    "                      an ALSA name, \"null\", or \"wav:in=FILE,out=FILE[,loop=1]\"\n"
    "  --help              this text\n"
    "\n"
    "Commands:\n"
    "  logon [NUMBER PASSWORD]  log on (default: --number and --password)\n"
    "  logout                   log out, or cancel a logon in progress\n"
    "  status                   print EVENT status state=... number=... endpoint=...\n"
    "                           server=... period=...\n"
    "  wait EVENT [MS]          hold further commands until EVENT has happened since the\n"
    "                           last wait for it (default 10000 ms); prints EVENT wait_done\n"
    "                           or EVENT wait_timeout; a time-out makes the exit status 3\n"
    "  quit                     log out and end\n"
    "\n"
    "Events:\n"
    "  started                  the core runs; commands are accepted\n"
    "  logon_started number= server=\n"
    "  logon_complete number= endpoint= custom_name= url=   logged on and registered\n"
    "  logon_failed reason=     refused by the server (TEXT: the reason)\n"
    "  logon_timeout request=   the server did not answer the logon (TEXT)\n"
    "  relogon_demand           the server asked for a new logon; the client logs on again\n"
    "  keepalive_timeout request=0x0103   the server stopped answering; the client keeps\n"
    "                           trying to log on again (TEXT)\n"
    "  server_failure request=  another request got no answer; handled like the above\n"
    "  forced_logoff code=      the server logged this client off (code 2: the number\n"
    "                           logged on elsewhere; TEXT)\n"
    "  logged_out               after logout\n"
    "  status ...               answer to status\n"
    "  wait_done event=  /  wait_timeout event= ms=\n"
    "  error command= text=     a command could not be run\n"
    "\n"
    "Exit status: 0, 2 for bad options or a failed start, 3 when a wait timed out.\n";

bool ParseHostPort(const std::string& text, std::string* host, std::uint16_t* port) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) return false;
    std::string digits = text.substr(colon + 1);
    if (digits.size() > 5) return false;
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    long value = std::strtol(digits.c_str(), nullptr, 10);
    if (value < 1 || value > 65535) return false;
    *host = text.substr(0, colon);
    *port = static_cast<std::uint16_t>(value);
    return true;
}

namespace {
bool IsNumber(const char* text) {
    if (*text == '\0') return false;
    for (; *text; ++text)
        if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
    return true;
}
} // namespace

bool ParseCliOptions(int argc, const char* const* argv, CliOptions* o, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            o->help = true;
        } else if (arg == "--server") {
            std::string text;
            if (!value(&text)) return false;
            if (!ParseHostPort(text, &o->serverHost, &o->serverPort)) {
                *error = "--server needs HOST:PORT, not \"" + text + "\"";
                return false;
            }
        } else if (arg == "--number") {
            if (!value(&o->number)) return false;
        } else if (arg == "--password") {
            if (!value(&o->password)) return false;
        } else if (arg == "--script") {
            if (!value(&o->scriptFile)) return false;
        } else if (arg == "--log") {
            o->log = true;
            if (i + 1 < argc && IsNumber(argv[i + 1])) o->logLevel = argv[++i];
        } else {
            *error = "unknown option \"" + arg + "\"";
            return false;
        }
    }
    return true;
}

} // namespace orv
