#include "tests/e2e/service_processes.h"

namespace orv {

bool StartServerProcess(ChildProcess& server, const std::string& home, const std::vector<std::string>& extra,
                        int timeoutMs, std::string* userAddress) {
    std::vector<std::string> args = {"--home", home, "--user-port", "0", "--quit-on-eof"};
    args.insert(args.end(), extra.begin(), extra.end());
    if (!server.Start(ProgramPath("orvserver"), args, home + "/server.err")) return false;
    const std::string prefix = "LISTEN user udp ";
    std::string line;
    if (!server.WaitForLine(prefix, timeoutMs, &line)) return false;
    *userAddress = line.substr(prefix.size());
    return true;
}

bool StartClientProcess(ChildProcess& client, const std::string& home, const std::string& serverAddress,
                        const std::string& number, const std::string& password,
                        const std::vector<std::string>& extra, int timeoutMs) {
    std::vector<std::string> args = {"--home",   home,     "--server", serverAddress, "--number",
                                     number,     "--password", password, "--log"};
    args.insert(args.end(), extra.begin(), extra.end());
    return client.Start(ProgramPath("orvcli"), args, home + "/cli.err") &&
           client.WaitForLine("EVENT started", timeoutMs);
}

bool LogOnClientProcess(ChildProcess& client, int timeoutMs, std::uint32_t* endpoint) {
    std::string status;
    if (!client.WriteLine("logon") || !client.WaitForLine("EVENT logon_complete", timeoutMs) ||
        !client.WriteLine("status") || !client.WaitForLine("EVENT status", timeoutMs, &status)) {
        return false;
    }
    const auto at = status.find(" endpoint=");
    if (at == std::string::npos) return false;
    *endpoint = static_cast<std::uint32_t>(std::stoul(status.substr(at + 10)));
    return true;
}

std::uint16_t PortOf(const std::string& line) {
    return static_cast<std::uint16_t>(std::stoi(line.substr(line.rfind(':') + 1)));
}

} // namespace orv
