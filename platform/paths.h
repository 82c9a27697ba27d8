// Program folder, home folder and module name.
#pragma once

#include <string>

namespace orv {

// The folder of the running executable (no trailing slash).
std::string ProgramFolder();
// The executable's file name without folder or extension ("orvphone", "orvcli").
std::string ModuleName();

// The folder that holds every data file the client reads and writes: set by --home DIR or
// the ORV_HOME variable, otherwise the program folder, or for an installed program the
// user's data folder (installed_layout.h). Created when it does not exist.
std::string HomeFolder();
void SetHomeFolder(const std::string& folder);
// Takes "--home DIR" (or "--home=DIR") out of argv (argc/argv are updated), else uses
// ORV_HOME when set, else the default above. Returns false, with the reason in *error when given, when --home names
// no folder (missing or empty) or the folder cannot be created.
bool InitHomeFolder(int& argc, char** argv, std::string* error = nullptr);

// Joins two path pieces with one '/'.
std::string JoinPath(const std::string& a, const std::string& b);

// True when name is a single plain path component: not empty, not "." or "..", no '/' or
// '\\', no NUL. Use it before building any path from outside text.
bool IsPlainFileName(const std::string& name);

} // namespace orv
