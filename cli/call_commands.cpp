// Calls: call, answer, hangup, dtmf, pause-video.
#include "cli/cli_commands.h"

namespace orv {

void AddCallCommands(CliCommandTable&) {}

} // namespace orv
