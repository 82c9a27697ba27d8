// Mixer operations on the card of a sound device: recording and playback volume and the
// recording source. Where the card has no mixer element (file and null devices always) the
// volume is kept in software and applied to the samples by the device itself.
#pragma once

#include "client/audio/devices/alsa_mixer.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace orv {

// Mixer line component types.
constexpr std::uint32_t kMixerWaveInDestination = 7;   // recording volume: the microphone line
constexpr std::uint32_t kMixerMicrophone = 0x1003;
constexpr std::uint32_t kMixerAnalogLine = 0x100A;
constexpr std::uint32_t kMixerWaveOutSource = 0x1008;  // playback volume

// Volume scale of the sliders: positions 0..255 stand for the high byte of the volume.
inline int VolumeToSlider(std::uint32_t volume) { return static_cast<int>((volume >> 8) & 0xFF); }
inline std::uint32_t SliderToVolume(int position) {
    return static_cast<std::uint32_t>(position < 0 ? 0 : position > 255 ? 255 : position) << 8;
}

class AudioMixer {
public:
    // Opens the mixer of the card that holds the device; always succeeds for a non-empty
    // name, falling back to software volumes.
    bool Open(const std::string& deviceName);
    void Close();
    bool IsOpen();
    std::string DeviceName();

    // componentType kMixerWaveInDestination or kMixerWaveOutSource; volume 0..0xFFFF.
    bool GetVolume(std::uint32_t componentType, std::uint32_t& volume);
    bool SetVolume(std::uint32_t componentType, std::uint32_t volume);
    // True when the card has its own control for the line; false when the volume is kept
    // in software (or the mixer is not open).
    bool HasCardVolume(std::uint32_t componentType);
    // Makes the microphone (or, with false, an analog line) the recording source: 1 switched,
    // 0 already so, -1 failure. A device without a source choice records its only input.
    int SelectRecordingSource(bool microphone);

private:
    bool Direction(std::uint32_t componentType, bool& capture) const;
    void CloseLocked();
    bool CardHasLocked(bool capture) const;
    std::mutex m_lock; // the capture thread opens its mixer while a dialog may use it
    std::string m_deviceName;
    std::unique_ptr<AlsaMixer> m_card;
};

} // namespace orv
