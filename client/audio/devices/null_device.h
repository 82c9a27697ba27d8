// The null device "null": capture records silence in real time, playback discards in real time.
#pragma once

#include "client/audio/devices/audio_stream.h"

#include <memory>

namespace orv {

constexpr char kNullDeviceName[] = "null";

std::unique_ptr<AudioStream> OpenNullCapture(AudioCompletion completion);
std::unique_ptr<AudioStream> OpenNullPlayback(AudioCompletion completion);

} // namespace orv
