// Whether the programs run from an install (a package, or `cmake --install`) rather than
// from the build folder, and what follows from it: the home folder lies under the user's
// data folder, and the programs are started through their command folder.
#pragma once

#include <string>

namespace orv {

// The file an install puts into the program folder; a build folder has none. It names the
// folder of the commands ([Installed] Programs=), relative to the program folder.
constexpr char kInstalledMarkerName[] = "installed.ini";

// The desktop client's program name: the name every running copy carries, the program the
// start-with-the-system entry starts (whichever front-end changed the setting) and the one
// a live update treats apart.
constexpr char kClientProgramName[] = "orvphone";

// True when folder holds the install marker: the program files there belong to the
// installer (package manager), and nothing is written there at run time.
bool RunsInstalled(const std::string& programFolder);
// The same for the running program's own folder.
bool RunsInstalled();

// The installed program's default home folder: "$XDG_DATA_HOME/orv", else
// "$HOME/.local/share/orv". Empty when neither variable holds an absolute path.
std::string UserDataHome();

// The path to start program name by: the command in the folder the marker names when it is
// there and executable (/usr/bin/orvphone), else the program folder's own file.
std::string InstalledCommandPath(const std::string& programFolder, const std::string& name);

} // namespace orv
