// Reports of the update check to the logon window (the connection dialog): WM_USER+14 with
// a code in wParam. The user-server handler sends code 0 when no update server can be
// reached; the update-server conversation sends the others.
#pragma once

#include "platform/types.h"

namespace orv {

constexpr UINT WM_UPDATE_REPORT = WM_USER + 14;

enum UpdateReportCode : WPARAM {
    kUpdateNoServer = 0,        // no update server reachable: go on as if there were no update
    kUpdateConnectTimeout = 1,  // the update server did not take the connection
    kUpdateLinkClosed = 2,      // the link closed after it was connected
    kUpdateListTimeout = 3,     // the file list query timed out
    kUpdateListReady = 4,       // lParam: the download list
    kUpdateProgress = 5,        // lParam: allocated pair of u32, bytes received and expected
};

} // namespace orv
