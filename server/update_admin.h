// The administration commands of the update folder, on the command line or on a running
// server's standard input:
//   publish FILE VERSION [KIND]   offer FILE (copied into the folder) with this version and
//                                 target folder kind (default 1, the program folder)
//   updates                       UPDATEFILE name=... kind=... version=... lines
//   update-sign [KEYFILE]         sign the offered files again (with another key file)
#pragma once

#include <string>
#include <vector>

namespace orv {

extern const char* const kUpdateAdminHelp;

bool IsUpdateCommand(const std::string& word);
std::vector<std::string> RunUpdateCommand(const std::vector<std::string>& words, const std::string& folder,
                                          const std::string& keyFile, bool* ok);

} // namespace orv
