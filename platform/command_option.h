// One command-line option with a value, "OPTION VALUE" or "OPTION=VALUE", taken out of argv.
#pragma once

#include <string>

namespace orv {

struct CommandOption {
    bool given = false;        // the option came with a value (the last one given counts)
    bool missingValue = false; // the option ended the command line without a value
    std::string value;         // may be empty ("OPTION=")
};

// Removes each occurrence of option and its value from argv; argc and argv are updated and
// argv stays null-terminated. An option that ends the line without a value stays in argv.
CommandOption TakeCommandOption(int& argc, char** argv, const char* option);

// Takes option out of argv as above; without it, reads the environment variable. True with
// *value set when either gave a non-empty value (the last one given).
bool TakeOptionValue(int& argc, char** argv, const char* option, const char* environmentVariable,
                     std::string* value);

} // namespace orv
