// The sound devices the platform offers, by name. Names are what the configuration stores
// and the settings show; one name serves capture and playback.
#pragma once

#include <string>
#include <vector>

namespace orv {

struct AudioDeviceInfo {
    std::string name;        // what the configuration stores ("default", "hw:1,0", "wav:in=a.wav,out=b.wav", "null")
    std::string description; // what a person reads ("USB Audio Device, USB Audio")
};

// Capture devices in the platform's order. When an only-device was set (--audio-device or
// ORV_AUDIO_DEVICE), the list holds exactly that one device.
std::vector<AudioDeviceInfo> EnumerateCaptureDevices();
std::vector<AudioDeviceInfo> EnumeratePlaybackDevices();

// Makes name the platform's only sound device for this run (empty = back to the real list).
void SetOnlySoundDevice(const std::string& name);
// The only device set for this run, empty when none.
std::string OnlySoundDevice();
// Takes "--audio-device NAME" (or "--audio-device=NAME") out of argv, else reads
// ORV_AUDIO_DEVICE; sets the only device when either is given.
void InitOnlySoundDevice(int& argc, char** argv);

} // namespace orv
