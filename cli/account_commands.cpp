// The prepaid account.
//
// Commands:
//   account                   asks the balance          * account_balance value= balance=
//   refill CARD PASSWORD      refills with a card       * refill_done value= balance= (TEXT)
// Events: * account_query_failed / refill_failed reason= (TEXT), * account_failed code= (TEXT),
//         refill_refused (TEXT) when the card number or password does not pass.
#include "cli/cli_commands.h"
#include "client/core/account_core.h"

namespace orv {

void AddAccountCommands(CliCommandTable& table) {
    table["account"] = [](CliContext& c, const std::vector<std::string>&, const std::string& line) {
        if (c.core.Account() == nullptr || !c.core.Account()->Query()) c.Error(line, "not logged on");
    };
    table["refill"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        if (words.size() != 3) {
            c.Error(line, "usage: refill CARD PASSWORD");
        } else if (c.core.Account() == nullptr) {
            c.Error(line, "not logged on");
        } else {
            c.core.Account()->Refill(words[1], words[2]);
        }
    };
}

} // namespace orv
