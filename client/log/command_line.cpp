#include "client/log/command_line.h"

#include <cstdlib>
#include <cstring>

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
    const std::size_t optionLength = std::strlen(option);
    std::string chosen;
    bool found = false;
    int out = 1;
    for (int in = 1; in < argc; ++in) {
        const char* arg = argv[in];
        if (std::strcmp(arg, option) == 0 && in + 1 < argc) {
            chosen = argv[++in];
            found = true;
            continue;
        }
        if (std::strncmp(arg, option, optionLength) == 0 && arg[optionLength] == '=') {
            chosen = arg + optionLength + 1;
            found = true;
            continue;
        }
        argv[out++] = argv[in];
    }
    if (argc > 0) {
        argc = out;
        argv[argc] = nullptr;
    }
    if (!found) {
        const char* fromEnvironment = std::getenv(environmentVariable);
        if (fromEnvironment != nullptr && *fromEnvironment != '\0') chosen = fromEnvironment;
    }
    if (chosen.empty()) return false;
    *value = chosen;
    return true;
}

} // namespace orv
