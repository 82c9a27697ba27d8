// The media objects that outlive a call: the microphone and speaker threads, the audio
// sender thread and the video sender. The first call creates each of them; calls then only
// attach their queues, socket and codecs. They end when the front-end shuts the media
// down at exit.
#pragma once

#include "client/audio/pipeline/echo_canceller.h"
#include "platform/thread.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {

class CAudioPlayThread;
class CAudioRecordThread;
class CDataSendThread;
class MediaSocket;

class ProcessMedia {
public:
    static ProcessMedia& Get();

    // Taken by a call while it attaches or detaches; before any lock of the media threads.
    CriticalSection& Lock() { return m_lock; }

    // Each creates its object on first use (the arguments only count then). Lock held.
    CAudioRecordThread& Capture(const std::string& deviceName);
    CAudioPlayThread& Playback(const std::string& deviceName);
    CDataSendThread& AudioSender(MediaSocket* socket, std::uint32_t ssrc);
    CDataSendThread& VideoSender(MediaSocket* socket, std::uint32_t ssrc, std::size_t sizeLimit);
    // Null when not created yet. Lock held.
    CAudioRecordThread* ExistingCapture() { return m_capture.get(); }
    CAudioPlayThread* ExistingPlayback() { return m_playback.get(); }
    CDataSendThread* ExistingAudioSender() { return m_audioSender.get(); }
    CDataSendThread* ExistingVideoSender() { return m_videoSender.get(); }

    // Between the speaker and the microphone; both threads use it from their creation on.
    EchoCanceller& Echo() { return m_echo; }

    // The call whose queues are attached now (an opaque token); lock held.
    const void* attachedCall = nullptr;

    // Stops and frees every object: the capture first (nothing new to send), then the
    // sender, the speaker and the video sender. Later calls create them again.
    void Shutdown();

private:
    CriticalSection m_lock;
    EchoCanceller m_echo; // declared first: it outlives the threads
    std::unique_ptr<CAudioRecordThread> m_capture;
    std::unique_ptr<CAudioPlayThread> m_playback;
    std::unique_ptr<CDataSendThread> m_audioSender;
    std::unique_ptr<CDataSendThread> m_videoSender;
};

} // namespace orv
