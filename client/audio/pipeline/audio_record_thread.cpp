#include "client/audio/pipeline/audio_record_thread.h"
#include "client/audio/pipeline/microphone_mute.h"

#include "client/audio/pipeline/waveform.h"
#include "client/log/log.h"

#include <mutex>

namespace orv {

CAudioRecordThread::CAudioRecordThread(const std::string& deviceName, PcmBlockQueue* captureQueue)
    : m_deviceName(deviceName), m_captureQueue(captureQueue) {
    Start();
}

CAudioRecordThread::~CAudioRecordThread() {
    if (!Stop(5000)) {
        WriteLog(3, "AudioRecordThread did not end in 5 s; waiting for it");
        Join(); // the thread still uses the device and the queue
    }
    CloseRecording();
    ExitEvent().Set();
    WriteLog(3, "AudioRecordThread Exit");
}

bool CAudioRecordThread::InitInstance() {
    SetCurrentThreadPriority(ThreadPriority::Highest);
    std::lock_guard<CriticalSection> lock(m_lock);
    m_device.Mixer().Open(m_deviceName);
    OpenRecording();
    m_opened.Set();
    return true;
}

int CAudioRecordThread::ExitInstance() {
    CloseRecording();
    return 0;
}

// Called with m_lock held.
void CAudioRecordThread::OpenRecording() {
    if (m_device.OpenInput([this](AudioBuffer* buffer) { OnBlockRecorded(buffer); }, m_deviceName) != 0) {
        WriteLog(3, "StartRecord Error");
        m_recording = false;
        return;
    }
    m_ring = WaveBufferRing::Create(kRingBuffers, kPcmBlockBytes);
    if (!m_ring) {
        WriteLog(3, "Create Record Wave Queue Failed");
        m_device.CloseInput();
        m_recording = false;
        return;
    }
    m_recording = true;
    WaveBuffer* first = m_ring->TakeForFilling();
    if (first) m_device.AddBuffer(*first);
}

// Never called with m_lock held: closing waits for the device thread, whose callback takes it.
void CAudioRecordThread::CloseRecording() {
    m_recording = false;
    m_device.CloseInput();
}

void CAudioRecordThread::OnBlockRecorded(AudioBuffer* buffer) {
    if (!m_recording.load()) return;
    std::lock_guard<CriticalSection> lock(m_lock);
    if (!m_ring) return;
    // The finished buffer goes back to the ring and the next one to the device at once;
    // three buffers let this one be read while the next records.
    m_ring->ReleaseCompleted();
    if (WaveBuffer* next = m_ring->TakeForFilling()) m_device.AddBuffer(*next);
    if (buffer->bytesRecorded != kPcmBlockBytes) return; // only whole blocks are speech blocks
    ++m_blocksRecorded;
    if (m_captureQueue) {
        if (m_echo) m_echo->Captured(buffer->data, m_device.InputDelayUs());
        static const std::uint8_t kSilence[kPcmBlockBytes] = {};
        m_captureQueue->Put(MicrophoneMuted() ? kSilence : buffer->data);
        DrawWaveform(m_displayWindow, buffer->data);
    }
}

void CAudioRecordThread::SetCaptureQueue(PcmBlockQueue* queue) {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_captureQueue = queue;
}

void CAudioRecordThread::SetDisplayWindow(HWND window) {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_displayWindow = window;
}

void CAudioRecordThread::SetEchoCanceller(EchoCanceller* canceller) {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_echo = canceller;
}

std::string CAudioRecordThread::DeviceName() {
    std::lock_guard<CriticalSection> lock(m_lock);
    return m_deviceName;
}

bool CAudioRecordThread::ChangeDevice(const std::string& deviceName) {
    // A device that failed to open may be tried again under the same name.
    if (m_recording.load() && DeviceName() == deviceName) return false;
    CloseRecording();
    std::lock_guard<CriticalSection> lock(m_lock);
    m_ring.reset();
    const std::string previous = m_deviceName;
    m_deviceName = deviceName;
    m_device.Mixer().Open(deviceName);
    OpenRecording();
    if (!m_recording) m_deviceName = previous;
    return true;
}

bool CAudioRecordThread::Stop(std::uint32_t waitMs) {
    SetCaptureQueue(nullptr);
    return WorkerThread::Stop(waitMs);
}

} // namespace orv
