// The main window's call operations taken from the core's call component, so the window
// and orvcli place, answer and end calls the same way.
#pragma once

#include "client/ui/main_services.h"

namespace orv {

class CallControl;
class CTonePlayer;
class ClientConfig;
class VideoCore;

// Fills the call operations of services (call state, call or answer, hang up, DTMF) from
// calls, which must outlive the window; the other operations are left as they are.
void UseCallControl(CallControl& calls, MainServices* services);

// Fills the video operations of services from the core's video (the camera thread, the
// display window, pausing what is sent) and its configuration; calls (may be null) tells
// the peer of a pause. All must outlive the window.
// The window's tones go to tones (which must outlive the window); repeat makes the dial
// tone endless.
void UseTonePlayer(CTonePlayer& tones, MainServices* services);

void UseVideoCore(VideoCore& video, ClientConfig* config, CallControl* calls, MainServices* services);

} // namespace orv
