// The main window's skin: the five window pictures, slider pictures, the splash, the
// function-menu and forwarding pictures, and "mainbody.ini".
#pragma once

#include <QString>

namespace skingen {

constexpr int kMainWidth = 300;
constexpr int kMainHeight = 520;

// Writes everything into folder ("MainDlg"); false on the first file that cannot be written.
bool WriteMainSkin(const QString& folder);

} // namespace skingen
