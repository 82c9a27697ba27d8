// The configuration's view of the running machine: its folders and locale, the platform's
// sound inputs and imaging devices, and whether the G.723.1 coder opens.
#pragma once

#include "client/data/client_config.h"

namespace orv {

ConfigEnvironment SystemConfigEnvironment();

} // namespace orv
