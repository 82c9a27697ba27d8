#include "client/log/command_line.h"

#include "platform/command_option.h"

#include <cstdlib>

namespace orv {

std::string JoinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc && argv; ++i) {
        if (!argv[i]) continue;
        if (!line.empty()) line += ' ';
        line += argv[i];
    }
    return line;
}

bool TakeOptionValue(int& argc, char** argv, const char* option, const char* environmentVariable,
                     std::string* value) {
    const CommandOption taken = TakeCommandOption(argc, argv, option);
    std::string chosen = taken.value;
    if (!taken.given) {
        const char* fromEnvironment = std::getenv(environmentVariable);
        if (fromEnvironment != nullptr && *fromEnvironment != '\0') chosen = fromEnvironment;
    }
    if (chosen.empty()) return false;
    *value = chosen;
    return true;
}

} // namespace orv
