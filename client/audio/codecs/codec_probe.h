#pragma once

namespace orv {

// True when the G.723.1 coder (6.3 kbit/s, 8000 Hz mono) can be opened for
// both directions, i.e. the G.723.1 codec is usable on this machine.
bool CanOpenG7231();

} // namespace orv
