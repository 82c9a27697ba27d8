// orvphone started as a process that logs on by itself as 8001 (a remembered digest in its
// home folder), with its log on.
#pragma once

#include "client/data/user_list_file.h"
#include "tests/app/file_wait.h"
#include "tests/e2e/child_process.h"
#include "wire/password_digest.h"

#include <string>

namespace orv {

// Starts it against serverAddress on home and waits, bounded, until its main window opens.
// False (its log in *log) when it does not.
inline bool StartLoggedOnPhone(ChildProcess& phone, const std::string& home, const std::string& serverAddress,
                               int timeoutMs, std::string* log) {
    const std::string logFile = home + "/orvphone.log";
    if (!WriteUserListFile(home + "/" + kUserListFile, {"8001," + PasswordDigest("8001", "1111")}) ||
        !phone.Start(ProgramPath("orvphone"), {"--home", home, "--server", serverAddress, "LOG"}, home + "/stderr.txt") ||
        !FileShows(logFile, "Main window opens", timeoutMs)) {
        *log = ReadAll(logFile);
        return false;
    }
    return true;
}

} // namespace orv
