// The administration commands, the same whether given on orvserver's command line (on the
// database alone) or as lines on a running server's standard input (which also reach the
// registrations: expire, sessions). Every result is one or more machine-readable lines:
//   ADMIN ok <command> ...       USER number=... state=...      SESSION number=... endpoint=...
//   ADMIN error <command>: <message>
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class SubscriberDb;
class UserServer;

extern const char* const kAdminHelp;

// Splits a command line into words at blanks.
std::vector<std::string> SplitWords(const std::string& line);

// True when words[0] names an admin command.
bool IsAdminCommand(const std::string& word);

// Runs one command; server is null when no server is running (expire and sessions then
// fail). Returns the output lines; *ok tells success.
std::vector<std::string> RunAdminCommand(const std::vector<std::string>& words, SubscriberDb& db,
                                         UserServer* server, std::uint32_t now, bool* ok);

} // namespace orv
