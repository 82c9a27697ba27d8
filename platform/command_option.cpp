#include "platform/command_option.h"

#include <cstdlib>
#include <cstring>

namespace orv {

CommandOption TakeCommandOption(int& argc, char** argv, const char* option) {
    const std::size_t optionLength = std::strlen(option);
    CommandOption taken;
    int out = 1;
    for (int in = 1; in < argc; ++in) {
        const char* arg = argv[in];
        if (std::strcmp(arg, option) == 0) {
            if (in + 1 < argc) {
                taken.value = argv[++in];
                taken.given = true;
                continue;
            }
            taken.missingValue = true;
        } else if (std::strncmp(arg, option, optionLength) == 0 && arg[optionLength] == '=') {
            taken.value = arg + optionLength + 1;
            taken.given = true;
            continue;
        }
        argv[out++] = argv[in];
    }
    if (argc > 0) {
        argc = out;
        argv[argc] = nullptr;
    }
    return taken;
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
