#include "client/media/process_media.h"

#include "client/audio/pipeline/audio_play_thread.h"
#include "client/audio/pipeline/audio_record_thread.h"
#include "client/media/data_send_thread.h"

#include <mutex>

namespace orv {

ProcessMedia& ProcessMedia::Get() {
    static ProcessMedia media;
    return media;
}

CAudioRecordThread& ProcessMedia::Capture(const std::string& deviceName) {
    if (!m_capture) {
        m_capture = std::make_unique<CAudioRecordThread>(deviceName, nullptr);
        m_capture->SetEchoCanceller(&m_echo);
    }
    return *m_capture;
}

CAudioPlayThread& ProcessMedia::Playback(const std::string& deviceName) {
    if (!m_playback) {
        m_playback = std::make_unique<CAudioPlayThread>(deviceName, nullptr);
        m_playback->SetEchoCanceller(&m_echo);
    }
    return *m_playback;
}

CDataSendThread& ProcessMedia::AudioSender(MediaSocket* socket, std::uint32_t ssrc) {
    if (!m_audioSender) {
        m_audioSender = std::make_unique<CDataSendThread>(CDataSendThread::kModeAudio, socket, ssrc);
    }
    return *m_audioSender;
}

CDataSendThread& ProcessMedia::VideoSender(MediaSocket* socket, std::uint32_t ssrc, std::size_t sizeLimit) {
    if (!m_videoSender) {
        m_videoSender = std::make_unique<CDataSendThread>(CDataSendThread::kModeVideo, socket, ssrc, sizeLimit);
    }
    return *m_videoSender;
}

void ProcessMedia::Shutdown() {
    std::unique_ptr<CAudioRecordThread> capture;
    std::unique_ptr<CAudioPlayThread> playback;
    std::unique_ptr<CDataSendThread> audioSender;
    std::unique_ptr<CDataSendThread> videoSender;
    {
        std::lock_guard<CriticalSection> hold(m_lock);
        capture = std::move(m_capture);
        audioSender = std::move(m_audioSender);
        playback = std::move(m_playback);
        videoSender = std::move(m_videoSender);
        attachedCall = nullptr;
    }
    // Ended outside the lock, so a call closing meanwhile does not wait for the threads.
    capture.reset();
    audioSender.reset();
    playback.reset();
    videoSender.reset();
}

} // namespace orv
