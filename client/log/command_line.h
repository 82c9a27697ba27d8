// The program's command line as one text: the arguments after the program name joined by
// single blanks, the form OpenLog expects. Call it after InitHomeFolder has taken "--home DIR"
// out of argv, so that only the program's own words remain.
#pragma once

#include <string>

namespace orv {

std::string JoinCommandLine(int argc, const char* const* argv);

// Takes "OPTION VALUE" (or "OPTION=VALUE") out of argv; without it, reads the environment
// variable. True with *value set when either gave a non-empty value (the last one given).
bool TakeOptionValue(int& argc, char** argv, const char* option, const char* environmentVariable,
                     std::string* value);

} // namespace orv
