// One thread's sound device: a mixer (the default card's until the owner opens another), a
// capture side (state 0 closed, 1 open, 2 started) and a playback side (0 closed, 2 open),
// always 8000 Hz mono 16-bit. Completions arrive on the device's own thread.
#pragma once

#include "client/audio/devices/audio_stream.h"
#include "client/audio/pipeline/audio_mixer.h"
#include "client/audio/pipeline/wave_buffer_ring.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace orv {

class WaveDevice {
public:
    static constexpr int kClosed = 0;
    static constexpr int kOpen = 1;
    static constexpr int kStarted = 2;

    WaveDevice();
    ~WaveDevice();
    WaveDevice(const WaveDevice&) = delete;
    WaveDevice& operator=(const WaveDevice&) = delete;

    AudioMixer& Mixer() { return m_mixer; }

    // 0 when the named capture device was opened and started, -1 otherwise.
    int OpenInput(AudioCompletion callback, const std::string& deviceName);
    // Stops the input; buffers still at the device come back without a completion.
    void CloseInput();
    // 0 queued, -1 not started, -2 prepare failed, -3 the device refused it.
    int AddBuffer(WaveBuffer& buffer);
    int InputState();
    // The open stream's reported delay (AudioStream::DelayUs); 0 when closed.
    std::uint32_t InputDelayUs();

    // 0 when the named playback device was opened, -1 otherwise.
    int OpenOutput(AudioCompletion callback, const std::string& deviceName);
    void CloseOutput();
    // 0 queued for playing, -1 not open, -2 prepare failed, -3 the device refused it.
    int Write(WaveBuffer& buffer);
    int OutputState();
    std::uint32_t OutputDelayUs();

private:
    std::mutex m_lock; // guards the two stream pointers and states, never held while closing
    AudioMixer m_mixer;
    std::unique_ptr<AudioStream> m_input;
    std::unique_ptr<AudioStream> m_output;
    int m_inputState = kClosed;
    int m_outputState = kClosed;
};

// The mixer the devices start with: the default card's.
constexpr char kDefaultMixerDevice[] = "default";

} // namespace orv
