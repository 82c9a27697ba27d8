// The microphone's voice processing: an acoustic echo canceller fed with what the speaker
// plays, then noise suppression and automatic gain, all from the WebRTC audio processing
// library. The speaker thread hands it every block it gives the
// device (Played) and the microphone thread runs every recorded block through it (Captured)
// before the block is queued for sending. Each call gives the device's own delay, so the
// canceller knows how far apart a played block and its echo arrive. One exists per process;
// while it is off blocks pass unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

namespace webrtc {
class AudioProcessing;
}

namespace orv {

class EchoCanceller {
public:
    EchoCanceller();
    ~EchoCanceller();
    EchoCanceller(const EchoCanceller&) = delete;
    EchoCanceller& operator=(const EchoCanceller&) = delete;

    // Turning it on starts from a fresh state: what was learnt of an old room is dropped.
    void SetEnabled(bool enabled);
    bool Enabled() const;

    // A 480-byte block (240 samples) just handed to the playback device; heardInUs is how long
    // until its first sample sounds, as the device reports it.
    void Played(const std::uint8_t* block, std::uint32_t heardInUs);
    // A 480-byte block just recorded, processed in place; recordedAgoUs is how long ago the
    // device recorded its last sample.
    void Captured(std::uint8_t* block, std::uint32_t recordedAgoUs);

    // The delay the canceller was last told between a played block and its echo.
    int StreamDelayMs() const;
    // Recorded blocks the library processed since the canceller was last turned on.
    std::uint64_t BlocksProcessed() const;

private:
    void Create();

    mutable std::mutex m_lock; // a leaf lock: no other lock is taken while it is held
    std::unique_ptr<webrtc::AudioProcessing> m_apm;
    bool m_enabled = false;
    std::uint32_t m_heardInUs = 0;
    int m_streamDelayMs = 0;
    std::uint64_t m_blocksProcessed = 0;
};

} // namespace orv
