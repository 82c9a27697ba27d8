// Friends, the address list file and the service options.
#include "cli/cli_commands.h"

namespace orv {

void AddFriendCommands(CliCommandTable&) {}

} // namespace orv
