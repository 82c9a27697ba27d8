// The program's command line as one text: the arguments after the program name joined by
// single blanks, the form OpenLog expects. Call it after InitHomeFolder has taken "--home DIR"
// out of argv, so that only the program's own words remain.
#pragma once

#include <string>

namespace orv {

std::string JoinCommandLine(int argc, const char* const* argv);

} // namespace orv
