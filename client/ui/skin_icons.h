// Icons of the main window's skin: "Icons/<Name>.bmp" in its skin folder, magenta
// (0xFF00FF) transparent. The names are those of the window's image list ("FriendList",
// "Exit", ...) and "Program" for the program's own icon.
#pragma once

#include <QIcon>
#include <string>

namespace orv {

// A null icon when the name is not a plain file name or the picture is missing.
QIcon SkinIcon(const std::string& skinFolder, const std::string& name);

} // namespace orv
