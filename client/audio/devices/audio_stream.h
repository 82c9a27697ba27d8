// Capture and playback streams by device name: 8000 Hz, mono, 16-bit PCM. Buffers handed to
// a stream come back through the completion callback, called from the stream's own thread,
// in the order they were submitted: filled (capture) or played (playback).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv {

constexpr int kAudioSampleRate = 8000;
constexpr int kAudioBytesPerSample = 2;

struct AudioBuffer {
    std::uint8_t* data = nullptr;
    std::uint32_t bufferBytes = 0;   // capacity (capture) or bytes to play (playback)
    std::uint32_t bytesRecorded = 0; // capture: bytes filled when completed
    void* user = nullptr;            // the owner's cookie, untouched by the stream
};

using AudioCompletion = std::function<void(AudioBuffer* buffer)>;

class AudioStream {
public:
    virtual ~AudioStream() = default;
    // Queues a buffer behind those already queued; false when the stream cannot take it.
    // The buffer belongs to the stream until it is completed or the stream is closed.
    virtual bool Submit(AudioBuffer* buffer) = 0;
    // Stops the stream. Buffers not yet completed are given back without a completion; no
    // completion runs after Close returns. Must not be called from a completion callback.
    virtual void Close() = 0;
    // The delay the stream reports now, in microseconds. Playback: until the last sample
    // handed over so far sounds. Capture: since the last sample completed was recorded, for
    // what the device holds that no buffer has yet. 0 for a stream that cannot tell.
    virtual std::uint32_t DelayUs() { return 0; }
};

// Open and start a stream on the named device ("wav:...", "null", "alsa:PCM" or a name from
// the device list). nullptr when no device has that name or it cannot be opened.
std::unique_ptr<AudioStream> OpenCaptureStream(const std::string& name, AudioCompletion completion);
std::unique_ptr<AudioStream> OpenPlaybackStream(const std::string& name, AudioCompletion completion);
// Whether a playback stream may be opened by that name (it may still fail to open).
bool PlaybackDeviceExists(const std::string& name);

} // namespace orv
