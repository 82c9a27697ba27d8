#include "client/audio/pipeline/audio_play_thread.h"

#include "client/audio/pipeline/waveform.h"
#include "client/log/log.h"
#include "platform/message_pump.h"
#include "platform/tick.h"

#include <cstring>
#include <mutex>
#include <utility>

namespace orv {

namespace {

// With nothing to play the thread still looks at its message queue this often.
constexpr std::uint32_t kIdleWaitMs = 1000;
constexpr std::uint32_t kBlockUs = 30000;

} // namespace

CAudioPlayThread::CAudioPlayThread(const std::string& deviceName, SpeechBlockSource* playbackQueue)
    : m_deviceName(deviceName) {
    SetPlaybackQueue(playbackQueue);
    Start();
}

CAudioPlayThread::~CAudioPlayThread() {
    if (!Stop(5000)) {
        WriteLog(3, "AudioPlayThread did not end in 5 s; waiting for it");
        Join(); // the thread still uses the device and the queue
    }
    m_device.CloseOutput();
    ExitEvent().Set();
    WriteLog(3, "AudioPlayThread Exit");
}

bool CAudioPlayThread::InitInstance() {
    SetCurrentThreadPriority(ThreadPriority::Highest);
    std::lock_guard<CriticalSection> lock(m_lock);
    OpenPlayback();
    m_opened.Set();
    return true;
}

int CAudioPlayThread::ExitInstance() {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_device.CloseOutput(); // the completion callback never takes m_lock
    return 0;
}

// Called with m_lock held.
void CAudioPlayThread::OpenPlayback() {
    m_playState = kPlayBuffering;
    if (m_device.OpenOutput([this](AudioBuffer* buffer) { OnBlockPlayed(buffer); }, m_deviceName) != 0) {
        WriteLog(3, "StartPlay Error");
        m_playState = kPlayOff;
        return;
    }
    m_ring = WaveBufferRing::Create(kRingBuffers, kPcmBlockBytes);
    if (!m_ring) {
        WriteLog(3, "Create Play Wave Queue Failed");
        m_device.CloseOutput();
        m_playState = kPlayOff;
    }
}

// The device's thread: a played buffer only moves the ring's release index and wakes the loop.
void CAudioPlayThread::OnBlockPlayed(AudioBuffer*) {
    m_ring->ReleaseCompleted();
    m_wake.Set();
}

int CAudioPlayThread::Run() {
    while (!m_quit.load()) {
        if (!DispatchWaitingMessages()) m_quit = true;
        if (m_quit.load()) break;
        MakePendingChange();
        if (!PlayPass()) m_wake.Wait(kIdleWaitMs);
    }
    return 0;
}

bool CAudioPlayThread::PlayPass() {
    if (m_playState.load() == kPlayOff) return false;
    std::lock_guard<CriticalSection> lock(m_lock);
    if (!m_ring || m_ring->IsFull() || m_playbackQueue == nullptr) {
        if (m_ring && m_ring->IsEmpty()) m_playState = kPlayBuffering;
        return false; // all buffers with the device: blocks wait in the source
    }
    return m_playbackQueue->FollowsDeviceClock() ? PlayOnDeviceClock() : PlayFromQueue();
}

bool CAudioPlayThread::PlayFromQueue() {
    if (m_ring->IsEmpty()) m_playState = kPlayBuffering; // ran dry: hold the next block back
    else if (m_playState.load() == kPlayBuffering) m_playState = kPlayPlaying;
    std::uint8_t block[kPcmBlockBytes];
    if (!m_playbackQueue->PullBlock(block)) return false;
    WaveBuffer* filled = m_ring->TakeForFilling();
    if (!filled) return false;
    std::memcpy(filled->data.data(), block, kPcmBlockBytes);
    if (m_playState.load() == kPlayPlaying) Submit(block);
    return true;
}

bool CAudioPlayThread::PlayOnDeviceClock() {
    if (m_ring->Filled() >= kDeviceBlocks) return false; // a completion wakes the loop
    std::uint8_t block[kPcmBlockBytes];
    if (!m_playbackQueue->PullBlock(block)) {
        if (m_ring->IsEmpty()) m_playState = kPlayBuffering;
        return false;
    }
    WaveBuffer* filled = m_ring->TakeForFilling();
    if (!filled) return false;
    std::memcpy(filled->data.data(), block, kPcmBlockBytes);
    m_playState = kPlayPlaying;
    Submit(block);
    return true;
}

// Hands the oldest filled buffer to the device; block is what the waveform shows.
void CAudioPlayThread::Submit(const std::uint8_t* block) {
    WaveBuffer* next = m_ring->TakeForSubmitting();
    if (next && m_device.Write(*next) == 0) {
        ++m_blocksWritten;
        if (m_echo) { // the block is last in the device's queue: it sounds once those ahead have
            const std::uint32_t queuedUs = m_device.OutputDelayUs();
            m_echo->Played(next->data.data(), queuedUs > kBlockUs ? queuedUs - kBlockUs : 0);
        }
        DrawWaveform(m_displayWindow, block);
    }
}

void CAudioPlayThread::SetPlaybackQueue(SpeechBlockSource* queue) {
    std::lock_guard<CriticalSection> lock(m_lock);
    if (m_playbackQueue != nullptr) m_playbackQueue->SetPutSignal(nullptr);
    m_playbackQueue = queue;
    if (m_playbackQueue != nullptr) m_playbackQueue->SetPutSignal(&m_wake);
    m_wake.Set();
}

void CAudioPlayThread::SetEchoCanceller(EchoCanceller* canceller) {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_echo = canceller;
}

void CAudioPlayThread::SetDisplayWindow(HWND window) {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_displayWindow = window;
}

int CAudioPlayThread::PlayState() {
    std::lock_guard<CriticalSection> lock(m_lock);
    return m_playState.load();
}

std::string CAudioPlayThread::DeviceName() {
    std::lock_guard<CriticalSection> lock(m_lock);
    return m_deviceName;
}

bool CAudioPlayThread::ChangeDevice(const std::string& deviceName) {
    {
        std::lock_guard<CriticalSection> lock(m_lock);
        // A device that failed to open may be tried again under the same name.
        if (m_playState.load() != kPlayOff && m_deviceName == deviceName) return false;
        // Closed under the lock so the play loop never writes to a closing device; off, the
        // loop leaves the device alone until it is open again.
        m_device.CloseOutput();
        m_ring.reset();
        m_playState = kPlayOff;
    }
    Sleep(500); // the old device settles; the lock is free meanwhile
    std::lock_guard<CriticalSection> lock(m_lock);
    m_device.CloseOutput(); // another change may have opened it during the pause
    m_ring.reset();
    const std::string previous = m_deviceName;
    m_deviceName = deviceName;
    OpenPlayback();
    if (m_playState.load() == kPlayOff) m_deviceName = previous;
    return true;
}

void CAudioPlayThread::ChangeDeviceLater(const std::string& deviceName) {
    {
        std::lock_guard<CriticalSection> lock(m_lock);
        m_pendingDevice = deviceName;
        m_devicePending = true;
    }
    m_wake.Set();
}

// On the speaker thread.
void CAudioPlayThread::MakePendingChange() {
    std::string device;
    {
        std::lock_guard<CriticalSection> lock(m_lock);
        if (!std::exchange(m_devicePending, false)) return;
        device.swap(m_pendingDevice);
    }
    ChangeDevice(device);
}

bool CAudioPlayThread::Stop(std::uint32_t waitMs) {
    SetPlaybackQueue(nullptr);
    m_quit = true;
    m_wake.Set();
    return WorkerThread::Stop(waitMs);
}

} // namespace orv
