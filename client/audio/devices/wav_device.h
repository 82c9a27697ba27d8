// The file device: "wav:in=speech.wav,out=heard.wav[,loop=1]". Capture plays the input file
// (converted to 8000 Hz mono) in real time, then silence, or from the start again with
// loop=1; playback writes what it plays to the output file. A missing "in" captures silence,
// a missing "out" discards. Paths may not contain commas.
#pragma once

#include "client/audio/devices/audio_stream.h"

#include <memory>
#include <string>

namespace orv {

struct WavDeviceName {
    std::string input;
    std::string output;
    bool loop = false;
};

constexpr char kWavDevicePrefix[] = "wav:";

// false for a name that is not a well-formed file device name.
bool ParseWavDeviceName(const std::string& name, WavDeviceName& parsed);

std::unique_ptr<AudioStream> OpenWavCapture(const std::string& name, AudioCompletion completion);
std::unique_ptr<AudioStream> OpenWavPlayback(const std::string& name, AudioCompletion completion);

} // namespace orv
