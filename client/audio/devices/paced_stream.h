// Streams paced by a PacingClock instead of a sound card: the file and null devices. A
// capture stream records one sample per 125 us from its source into the queued buffers
// (samples that find no buffer are lost, as with a card); a playback stream plays each
// buffer from the moment it was submitted or the previous one ends, fills gaps with silence
// and hands everything it played, in time order, to its sink.
#pragma once

#include "client/audio/devices/audio_clock.h"
#include "client/audio/devices/audio_stream.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace orv {

class SampleSource {
public:
    virtual ~SampleSource() = default;
    virtual void Read(std::int16_t* samples, std::size_t count) = 0; // always fills all
};

class SampleSink {
public:
    virtual ~SampleSink() = default;
    virtual void Write(const std::int16_t* samples, std::size_t count) = 0;
};

class SilenceSource final : public SampleSource {
public:
    void Read(std::int16_t* samples, std::size_t count) override;
};

class DiscardSink final : public SampleSink {
public:
    void Write(const std::int16_t*, std::size_t) override {}
};

// Microseconds per sample at 8000 Hz.
constexpr std::uint64_t kMicrosPerSample = 1000000 / kAudioSampleRate;

std::unique_ptr<AudioStream> StartPacedCapture(std::unique_ptr<SampleSource> source, AudioCompletion completion,
                                               std::atomic<std::uint32_t>& volume,
                                               std::shared_ptr<PacingClock> clock);
std::unique_ptr<AudioStream> StartPacedPlayback(std::unique_ptr<SampleSink> sink, AudioCompletion completion,
                                                std::atomic<std::uint32_t>& volume,
                                                std::shared_ptr<PacingClock> clock);

} // namespace orv
