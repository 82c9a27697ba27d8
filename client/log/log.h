// Diagnostic log: one process-wide trace, off unless the command line starts with LOG.
#pragma once

#include <string>

namespace orv {

// Switches the log on when the first word of the command line, upper-cased, is "LOG"; a
// second word sets the level threshold (decimal, non-numeric = 0; default 255). The file is
// "<module>.log" in the home folder, opened in append mode on the first written line; the
// console is standard error. Writes "********ORV Client Start************" at level 3.
void OpenLog(const std::string& commandLine);
// Writes "********ORV Client End*************" at level 3, then closes and forgets the log.
void CloseLog();
// Returns 0 when logging is off, 1 otherwise (also when the level was filtered out).
int WriteLog(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace orv
