#include "client/audio/pipeline/audio_play_thread.h"

#include "client/audio/pipeline/waveform.h"
#include "client/log/log.h"
#include "platform/message.h"
#include "platform/tick.h"

#include <cstring>
#include <mutex>

namespace orv {

CAudioPlayThread::CAudioPlayThread(const std::string& deviceName, PcmBlockQueue* playbackQueue)
    : m_deviceName(deviceName), m_playbackQueue(playbackQueue) {
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

// The device's thread: a played buffer only moves the ring's release index.
void CAudioPlayThread::OnBlockPlayed(AudioBuffer*) { m_ring->ReleaseCompleted(); }

int CAudioPlayThread::Run() {
    while (!m_quit) {
        MSG msg;
        while (PeekMessage(&msg, true)) {
            if (msg.message == WM_QUIT) m_quit = true;
            else DispatchMessage(&msg);
        }
        if (m_quit) break;
        PlayPass();
        Sleep(1);
    }
    return 0;
}

void CAudioPlayThread::PlayPass() {
    if (m_playState.load() == kPlayOff) return;
    std::lock_guard<CriticalSection> lock(m_lock);
    if (!m_ring || m_ring->IsFull()) return; // all buffers with the device: blocks wait in the queue
    if (m_ring->IsEmpty()) m_playState = kPlayBuffering; // ran dry: hold the next block back
    else if (m_playState.load() == kPlayBuffering) m_playState = kPlayPlaying;
    const std::uint8_t* block = m_playbackQueue ? m_playbackQueue->Get() : nullptr;
    if (!block) return;
    WaveBuffer* filled = m_ring->TakeForFilling();
    if (!filled) return;
    std::memcpy(filled->data.data(), block, kPcmBlockBytes);
    if (m_playState.load() != kPlayPlaying) return;
    WaveBuffer* next = m_ring->TakeForSubmitting();
    if (next && m_device.Write(*next) == 0) {
        ++m_blocksWritten;
        DrawWaveform(m_displayWindow, block);
    }
}

void CAudioPlayThread::SetPlaybackQueue(PcmBlockQueue* queue) {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_playbackQueue = queue;
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
    std::lock_guard<CriticalSection> lock(m_lock);
    // A device that failed to open may be tried again under the same name.
    if (m_playState.load() != kPlayOff && m_deviceName == deviceName) return false;
    // Closed under the lock so the play loop never writes to a closing device.
    m_device.CloseOutput();
    m_ring.reset();
    Sleep(500);
    const std::string previous = m_deviceName;
    m_deviceName = deviceName;
    OpenPlayback();
    if (m_playState.load() == kPlayOff) m_deviceName = previous;
    return true;
}

bool CAudioPlayThread::Stop(std::uint32_t waitMs) {
    SetPlaybackQueue(nullptr);
    return WorkerThread::Stop(waitMs);
}

} // namespace orv
