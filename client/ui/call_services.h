// The main window's call operations taken from the core's call component, so the window
// and orvcli place, answer and end calls the same way.
#pragma once

#include "client/ui/main_services.h"

namespace orv {

class CallControl;

// Fills the call operations of services (call state, call or answer, hang up, DTMF) from
// calls, which must outlive the window; the other operations are left as they are.
void UseCallControl(CallControl& calls, MainServices* services);

} // namespace orv
