// Sound card streams through ALSA PCM devices, opened as 8000 Hz mono 16-bit (ALSA's plug
// layer converts where the card cannot). One thread per stream moves data between the card
// and the queued buffers and runs the completions.
#pragma once

#include "client/audio/devices/audio_stream.h"

#include <memory>
#include <string>

namespace orv {

// nullptr when ALSA cannot open or configure the PCM.
std::unique_ptr<AudioStream> OpenAlsaCapture(const std::string& pcmName, AudioCompletion completion);
std::unique_ptr<AudioStream> OpenAlsaPlayback(const std::string& pcmName, AudioCompletion completion);

} // namespace orv
