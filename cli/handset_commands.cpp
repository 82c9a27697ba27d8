// The handset: handset, handset-number, security.
#include "cli/cli_commands.h"
#include "cli/cli_handset.h"
#include "client/handset/handset_device.h"
#include "client/userserver/user_serv_handler.h"

namespace orv {

void AddHandsetCommands(CliCommandTable& table) {
    table["handset"] = [](CliContext& c, const std::vector<std::string>&, const std::string& line) {
        if (!c.handset) return c.Error(line, "the handset is not enabled (--handset)");
        const HandsetData& data = c.handset->Core().Data();
        HandsetDevice* device = c.handset->Core().Device();
        c.print({"handset_status",
                 {{"present", HandsetDevice::Present() ? "1" : "0"}, {"ready", data.ready ? "1" : "0"},
                  {"bound", data.bound ? "1" : "0"}, {"customer", std::to_string(data.customer)},
                  {"number", data.number}, {"hook", device && device->HookState() ? "off" : "on"},
                  {"field", c.handset->NumberField()}},
                 "", ""});
    };
    table["handset-number"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        if (!c.handset || !c.handset->Core().Data().ready)
            return c.Error(line, "no handset is ready");
        if (words.size() != 2) return c.Error(line, "handset-number needs a number");
        if (!c.handset->Core().WriteNumber(words[1]))
            return c.Error(line, "the handset keeps at most 31 characters, or could not be written");
        c.print({"handset_number_stored", {{"number", words[1]}}, "", ""});
    };
    table["security"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        if (words.size() != 2 || (words[1] != "on" && words[1] != "off"))
            return c.Error(line, "security needs on or off");
        CUserServHandler* userServ = c.core.UserServ();
        if (!userServ || userServ->DoSetBindIDOpt(words[1] == "on" ? '1' : '0') == 0)
            c.Error(line, "the bind option is not known yet, or the request was not sent");
    };
}

} // namespace orv
