// What the configuration learns from the running machine's folders and locale.
#include "client/data/autostart_entry.h"
#include "client/data/client_config.h"
#include "platform/paths.h"

#include <cstdlib>

namespace orv {

namespace {

// The locale that names the message language: LC_ALL, then LC_MESSAGES, then LANG.
std::string MessageLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && value[0]) return value;
    }
    return "";
}

} // namespace

ConfigEnvironment MachineConfigEnvironment() {
    ConfigEnvironment environment;
    environment.programFolder = ProgramFolder();
    environment.homeFolder = HomeFolder();
    environment.moduleName = ModuleName();
    environment.autostartFolder = DefaultAutostartFolder();
    environment.locale = MessageLocale();
    return environment;
}

} // namespace orv
