// Call-progress and keypad tones on the configured playback device. Every request replaces
// the tone playing; how often a tone repeats follows from its name: the dial tone endlessly
// when asked to repeat, the busy tone 15 times (10.5 s), the ringback 20 times, the alert
// 100 times, anything else once. The device is opened again whenever a tone's format differs
// from the one it was opened for. Requests may come from any thread; one lock serialises them.
#pragma once

#include "client/audio/tones/wave_player.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace orv {

class CTonePlayer {
public:
    explicit CTonePlayer(std::string deviceName) : m_deviceName(std::move(deviceName)) {}

    // Plays the named resource; flag 1 makes the dial tone endless. An empty name stops the
    // tone. 1 when it plays; 0 when the resource is missing or the device cannot be opened.
    int Play(const std::string& name, int flag);
    // Moves to another playback device, reopening it with the current format. 0 when the
    // name is the current one or names no device.
    int ChangeDevice(const std::string& name);

    std::string DeviceName();
    bool IsPlaying();
    int DeviceOpenCount(); // how often a device was opened

private:
    std::mutex m_lock;
    std::string m_deviceName;
    WavePlayer m_player;
};

// How many times the named tone plays.
std::uint64_t TonePlayCount(const std::string& name, int flag);

} // namespace orv
