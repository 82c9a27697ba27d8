// The administration commands of the prepaid accounts, on the command line or on a running
// server's standard input like the others:
//   addcard CARD PASSWORD VALUE    a refill card worth VALUE hundredths
//   cards                          CARD card=... value=... used_by=... used_at=... lines
//   setbalance NUMBER VALUE        the balance in hundredths
//   balance NUMBER                 BALANCE number=... value=...
#pragma once

#include <string>
#include <vector>

namespace orv {

class SubscriberDb;

extern const char* const kAccountAdminHelp;

bool IsAccountCommand(const std::string& word);
std::vector<std::string> RunAccountCommand(const std::vector<std::string>& words, SubscriberDb& db, bool* ok);

} // namespace orv
