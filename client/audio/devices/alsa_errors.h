// ALSA reports its errors on standard error by default; ours go to the diagnostic log.
#pragma once

namespace orv {

// Routes ALSA's error messages into the log (level 4); safe to call any number of times.
void RouteAlsaErrorsToLog();

} // namespace orv
