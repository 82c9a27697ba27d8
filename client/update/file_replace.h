// Putting a downloaded file in place: "<target>.bak" becomes the target; the old target is
// kept as "<target>.tmp" until the new one stands, and goes back when it could not be
// replaced, so the target is never missing.
#pragma once

#include <string>

namespace orv {

// False (with the failed step in *error) when the file could not be replaced; the target
// is then as it was. A missing ".bak" is a failure too.
bool ReplaceWithNewFile(const std::string& target, std::string* error);

} // namespace orv
