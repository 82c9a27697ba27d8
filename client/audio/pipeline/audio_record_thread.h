// The microphone thread: records 480-byte blocks (30 ms) from the named sound device, one
// buffer queued at the device at a time, and puts each into the attached capture queue. All
// work happens in the device's completion callback; the thread itself only runs a message
// loop. A block goes through the echo canceller, when one is attached, before it is queued.
// One exists for the life of the program; calls attach and detach their queue.
#pragma once

#include "client/audio/pipeline/echo_canceller.h"
#include "client/audio/pipeline/pcm_block_queue.h"
#include "client/audio/pipeline/wave_buffer_ring.h"
#include "client/audio/pipeline/wave_device.h"
#include "platform/thread.h"
#include "platform/types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {

class CAudioRecordThread final : public WorkerThread {
public:
    // Starts the thread, which opens the device; open failures are logged and leave the
    // thread idle until ChangeDevice succeeds.
    CAudioRecordThread(const std::string& deviceName, PcmBlockQueue* captureQueue);
    ~CAudioRecordThread() override;

    void SetCaptureQueue(PcmBlockQueue* queue);
    void SetDisplayWindow(HWND window);
    // The canceller outlives the thread or is detached (nullptr) first.
    void SetEchoCanceller(EchoCanceller* canceller);
    // Reopens recording on another device; false (nothing done) when the name is that of the
    // device already recording.
    bool ChangeDevice(const std::string& deviceName);
    // Detaches the queue and ends the thread, waiting up to waitMs.
    bool Stop(std::uint32_t waitMs);

    // Waits until the thread's first attempt to open the device is over.
    bool WaitUntilOpened(std::uint32_t waitMs) { return m_opened.Wait(waitMs); }
    bool IsRecording() const { return m_recording.load(); }
    std::uint64_t BlocksRecorded() const { return m_blocksRecorded.load(); }
    std::string DeviceName();
    AudioMixer& Mixer() { return m_device.Mixer(); }

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    void OpenRecording();
    void CloseRecording();
    void OnBlockRecorded(AudioBuffer* buffer);

    static constexpr std::size_t kRingBuffers = 3;

    CriticalSection m_lock;
    std::string m_deviceName;
    WaveDevice m_device;
    std::unique_ptr<WaveBufferRing> m_ring;
    std::atomic<bool> m_recording{false};
    std::atomic<std::uint64_t> m_blocksRecorded{0};
    PcmBlockQueue* m_captureQueue = nullptr;
    EchoCanceller* m_echo = nullptr;
    HWND m_displayWindow = 0;
    Event m_opened{true, false};
};

} // namespace orv
