// logon, logout, status.
#include "cli/cli_commands.h"
#include "cli/cli_handset.h"

namespace orv {

void AddSessionCommands(CliCommandTable& table) {
    table["logon"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        std::string number = words.size() >= 3 ? words[1] : c.options.number;
        const std::string password = words.size() >= 3 ? words[2] : c.options.password;
        // A ready handset gives the bind value, and its bound number is the one to use.
        std::uint32_t bindValue = 0;
        if (c.handset && c.handset->Core().Data().ready) {
            const HandsetData& data = c.handset->Core().Data();
            bindValue = data.customer;
            if (data.bound && !data.number.empty()) number = data.number;
        }
        if (c.options.serverHost.empty() || number.empty()) {
            c.Error(line, "logon needs --server and a number");
        } else if (!c.core.Logon(c.options.serverHost, c.options.serverPort, number, password, bindValue)) {
            c.Error(line, "the logon could not be started");
        }
    };
    table["logout"] = [](CliContext& c, const std::vector<std::string>&, const std::string&) { c.core.Logout(); };
    table["status"] = [](CliContext& c, const std::vector<std::string>&, const std::string&) {
        const CoreStatus s = c.core.Status();
        c.print({"status",
                 {{"state", SessionStateName(s.state)}, {"number", s.number},
                  {"endpoint", std::to_string(s.endpointId)}, {"server", s.server},
                  {"period", std::to_string(s.keepAlivePeriodMs)}},
                 "", ""});
    };
}

} // namespace orv
