// The two ends of a speech path: decoded 30 ms blocks (480 bytes of 8000 Hz mono 16-bit PCM)
// go into a sink, numbered by their place in the peer's stream; the speaker thread takes the
// block to play now from a source.
#pragma once

#include <cstdint>

namespace orv {

class Event;

class SpeechBlockSink {
public:
    virtual ~SpeechBlockSink() = default;
    // index: the block's place in the stream (consecutive blocks differ by one).
    virtual void PutBlock(std::uint64_t index, const std::uint8_t* block) = 0;
};

class SpeechBlockSource {
public:
    virtual ~SpeechBlockSource() = default;
    // Fills the 480-byte block to play now; false when there is nothing to play.
    virtual bool PullBlock(std::uint8_t* block) = 0;
    // The event set by every put from now on (null: none), so a reader can sleep until
    // blocks come. Its owner clears it before the event goes away.
    virtual void SetPutSignal(Event* signal) = 0;
    // True for a source that absorbs the network's jitter itself and is asked for a block
    // each time the device needs one; false for a queue that blocks are pushed into.
    virtual bool FollowsDeviceClock() const { return false; }
};

} // namespace orv
