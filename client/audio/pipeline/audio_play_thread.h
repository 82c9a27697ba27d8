// The speaker thread: takes 480-byte blocks from the attached playback source and writes them
// to the named sound device. From a queue that blocks are pushed into it takes every block:
// after the output has run dry it holds the first block back until the next one arrives, so
// one block (30 ms) is always in hand, and at most 8 buffers are with the device. A source
// that follows the device clock (a playout buffer) is asked for a block only when fewer than
// kDeviceBlocks are with the device, and nothing is held in hand: that source absorbs the
// jitter. The thread sleeps until the device completes a block or the source receives one.
// Every block handed to the device also goes to the echo canceller, when one is attached,
// with the delay the device reports. One exists for the life of the program; calls attach and
// detach their source.
#pragma once

#include "client/audio/pipeline/echo_canceller.h"
#include "client/audio/pipeline/pcm_block_queue.h"
#include "client/audio/pipeline/speech_block_ports.h"
#include "client/audio/pipeline/wave_buffer_ring.h"
#include "client/audio/pipeline/wave_device.h"
#include "platform/thread.h"
#include "platform/types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {

class CAudioPlayThread final : public WorkerThread {
public:
    static constexpr int kPlayOff = 0;       // the device could not be opened
    static constexpr int kPlayBuffering = 1; // nothing queued at the device
    static constexpr int kPlayPlaying = 2;

    static constexpr std::size_t kDeviceBlocks = 2;

    CAudioPlayThread(const std::string& deviceName, SpeechBlockSource* playbackQueue);
    ~CAudioPlayThread() override;

    void SetPlaybackQueue(SpeechBlockSource* queue);
    void SetDisplayWindow(HWND window);
    // The canceller outlives the thread or is detached (nullptr) first.
    void SetEchoCanceller(EchoCanceller* canceller);
    // Reopens playback on another device (after a 500 ms pause, for which the caller waits
    // but nobody else does); false when the name is that of the device already playing.
    bool ChangeDevice(const std::string& deviceName);
    // The same change made by the speaker thread itself; returns at once (for the UI thread).
    void ChangeDeviceLater(const std::string& deviceName);
    bool Stop(std::uint32_t waitMs);

    bool WaitUntilOpened(std::uint32_t waitMs) { return m_opened.Wait(waitMs); }
    int PlayState(); // waits for the play loop's current pass
    std::uint64_t BlocksWritten() const { return m_blocksWritten.load(); }
    std::string DeviceName();
    AudioMixer& Mixer() { return m_device.Mixer(); }

protected:
    bool InitInstance() override;
    int Run() override;
    int ExitInstance() override;

private:
    void OpenPlayback();
    void MakePendingChange();
    // Writes at most one block; true when it did. The two ways of taking it run with m_lock held.
    bool PlayPass();
    bool PlayFromQueue();
    bool PlayOnDeviceClock();
    void Submit(const std::uint8_t* block);
    void OnBlockPlayed(AudioBuffer* buffer);

    static constexpr std::size_t kRingBuffers = 8;

    CriticalSection m_lock;
    std::string m_deviceName;
    WaveDevice m_device;
    std::unique_ptr<WaveBufferRing> m_ring;
    std::atomic<int> m_playState{kPlayOff};
    std::atomic<std::uint64_t> m_blocksWritten{0};
    SpeechBlockSource* m_playbackQueue = nullptr;
    EchoCanceller* m_echo = nullptr;
    HWND m_displayWindow = 0;
    std::atomic<bool> m_quit{false};
    bool m_devicePending = false; // a ChangeDeviceLater the loop has not made yet (under m_lock)
    std::string m_pendingDevice;
    Event m_wake{false, false}; // device completions, source puts, Stop
    Event m_opened{true, false};
};

} // namespace orv
