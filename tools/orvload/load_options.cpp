#include "tools/orvload/load_options.h"

#include "wire/ipv4_text.h"

#include <charconv>
#include <cstring>

namespace orv {

const char* const kLoadHelp =
    "usage: orvload --server ADDR:PORT [options]\n"
    "       orvload --write-subscribers FILE [--clients N] [--first NUMBER] [--password P]\n"
    "\n"
    "Simulates many clients of the user server, each from a socket of its own: logon at a\n"
    "given rate, keep-alives at the period the server's TTL gives (a third of it), NAT\n"
    "echoes, a new logon when the server demands one. Prints PROGRESS lines while it runs and\n"
    "RESULT lines at the end (registrations, losses, logon latency percentiles, and the\n"
    "server's CPU and memory when --server-pid is given).\n"
    "\n"
    "options:\n"
    "  --server ADDR:PORT     the user server (on 127.0.0.0/8 unless --allow-remote)\n"
    "  --clients N            simulated clients (default 1000, at most 200000)\n"
    "  --first NUMBER         client i logs on as NUMBER + i (default 100000)\n"
    "  --password P           every client's password (default load)\n"
    "  --rate R               first logons per second (default 500, at most 50000)\n"
    "  --duration S           stop after S seconds (default 60, at most 3600)\n"
    "  --until-registered     stop as soon as every client has logged on and had a keep-alive\n"
    "                         answered\n"
    "  --until-logons N       the same, once N logons were accepted in all (a server restarted\n"
    "                         meanwhile: every client logs on twice)\n"
    "  --report S             a PROGRESS line every S seconds\n"
    "  --server-pid PID       measure this process's CPU time and resident memory\n"
    "  --groups G             logon latency of the first logons in G consecutive groups\n"
    "                         (GROUP lines), to see whether logons slow down as the table grows\n"
    "  --per-address N        client numbers per local address (default 20000): loopback\n"
    "                         sockets are spread over 127.0.1.1, 127.0.1.2, ... by number, so\n"
    "                         the port range suffices, also for several orvload side by side\n"
    "  --echo-calls N         the first N clients call the echo number again and again while\n"
    "                         the run lasts (at most 1000 at a time), sending 50 audio packets\n"
    "                         a second; a RESULT calls line counts the calls and the audio\n"
    "                         echoed with its round trip\n"
    "  --call-seconds S       each call's length (default 10)\n"
    "  --echo-number NUMBER   the echo number (default 9999)\n"
    "  --allow-remote         allow a server outside the loopback network\n"
    "  --write-subscribers FILE  write \"NUMBER PASSWORD\" lines of the clients for\n"
    "                         \"orvserver import FILE\" and stop\n";

namespace {

template <typename T>
bool ParseUnsigned(const char* text, T max, T* value) {
    T v = 0;
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, v);
    if (text == end || ec != std::errc() || ptr != end || v > max) return false;
    *value = v;
    return true;
}

bool ParseServer(const std::string& text, LoadOptions* options) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
    if (!ParseDottedQuad(text.substr(0, colon), &ip) || !ParseUnsigned(text.c_str() + colon + 1, std::uint16_t{65535}, &port) ||
        port == 0) {
        return false;
    }
    options->serverAddress = text.substr(0, colon);
    options->serverPort = port;
    return true;
}

} // namespace

bool ParseLoadOptions(int argc, const char* const* argv, LoadOptions* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const auto flag = [&](const char* f) { return name == f; };
        if (flag("--help")) {
            options->help = true;
            return true;
        }
        if (flag("--until-registered")) {
            options->untilLogons = 1;
            continue;
        }
        if (flag("--allow-remote")) {
            options->allowRemote = true;
            continue;
        }
        if (i + 1 >= argc) {
            *error = name + " needs a value, or is not an option";
            return false;
        }
        const char* value = argv[++i];
        bool ok = true;
        if (flag("--server")) ok = ParseServer(value, options);
        else if (flag("--clients")) ok = ParseUnsigned(value, kLoadMaxClients, &options->clients) && options->clients > 0;
        else if (flag("--first")) ok = ParseUnsigned(value, std::uint64_t{999999999999999}, &options->firstNumber);
        else if (flag("--password")) {
            options->password = value;
            ok = !options->password.empty() && options->password.size() <= 64 &&
                 options->password.find_first_of(" \t\r\n") == std::string::npos;
        } else if (flag("--rate")) ok = ParseUnsigned(value, kLoadMaxRate, &options->rate) && options->rate > 0;
        else if (flag("--duration")) ok = ParseUnsigned(value, kLoadMaxSeconds, &options->durationSeconds) && options->durationSeconds > 0;
        else if (flag("--report")) ok = ParseUnsigned(value, kLoadMaxSeconds, &options->reportSeconds);
        else if (flag("--server-pid")) ok = ParseUnsigned(value, 0x3FFFFFFF, &options->serverPid) && options->serverPid > 0;
        else if (flag("--until-logons")) ok = ParseUnsigned(value, std::uint64_t{1} << 40, &options->untilLogons) && options->untilLogons > 0;
        else if (flag("--echo-calls")) ok = ParseUnsigned(value, kLoadMaxCalls, &options->echoCalls);
        else if (flag("--call-seconds")) ok = ParseUnsigned(value, kLoadMaxSeconds, &options->callSeconds) && options->callSeconds > 0;
        else if (flag("--echo-number")) {
            options->echoNumber = value;
            ok = !options->echoNumber.empty() && options->echoNumber.size() < 32;
        } else if (flag("--groups")) ok = ParseUnsigned(value, kLoadMaxGroups, &options->groups);
        else if (flag("--per-address")) ok = ParseUnsigned(value, std::uint32_t{25000}, &options->clientsPerAddress) && options->clientsPerAddress > 0;
        else if (flag("--write-subscribers")) options->writeSubscribers = value;
        else {
            *error = "unknown option " + name;
            return false;
        }
        if (!ok) {
            *error = "bad value for " + name + ": " + value;
            return false;
        }
    }
    if (!options->writeSubscribers.empty()) return true;
    if (options->serverAddress.empty()) {
        *error = "--server ADDR:PORT is required";
        return false;
    }
    if (!options->allowRemote && options->serverAddress.rfind("127.", 0) != 0) {
        *error = "the server " + options->serverAddress + " is not on the loopback network (--allow-remote)";
        return false;
    }
    return true;
}

} // namespace orv
