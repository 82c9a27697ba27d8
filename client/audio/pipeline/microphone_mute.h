// The microphone's mute: while it is on, the recorded blocks go to the call as silence (the
// device keeps recording, so turning it off is immediate). Any thread.
#pragma once

namespace orv {

void SetMicrophoneMuted(bool muted);
bool MicrophoneMuted();

} // namespace orv
