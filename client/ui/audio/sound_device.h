// Moves the running microphone and speaker threads to the configured sound device (after
// the settings were applied); threads not made yet take it when a call makes them.
#pragma once

#include <string>

namespace orv {

void MoveAudioThreadsTo(const std::string& deviceName);

} // namespace orv
