// The machine-readable output lines of orvcli: "EVENT name key=value ..." and "TEXT ...".
#pragma once

#include "client/core/client_core.h"

#include <string>

namespace orv {

// A value as it appears after "key=": bare when it has no blank, quote, backslash, '=' or
// control character and is not empty; otherwise in double quotes with \" \\ \n \r \t escapes.
std::string QuoteValue(const std::string& value);
std::string FormatEventLine(const CoreEvent& event);
// "TEXT title: text" (or "TEXT text" without a title); empty when the event has no text.
std::string FormatTextLine(const CoreEvent& event);

} // namespace orv
