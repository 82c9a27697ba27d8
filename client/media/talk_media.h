// The media of one call: its two sockets, its capture and playback queues and its two
// receive threads, hooked onto the process-wide microphone, speaker and senders while the
// call's media are open.
#pragma once

#include "client/call/call_media.h"
#include "client/media/media_socket.h"

#include <atomic>
#include <memory>

namespace orv {

class CDataRecvThread;
class CDataSendThread;
class PcmBlockQueue;
class PlayoutBuffer;

class TalkMedia final : public CallMedia {
public:
    TalkMedia();
    // Closes the media, stops the receive threads, then closes the sockets.
    ~TalkMedia() override;

    bool BindSockets(std::uint16_t audioPort, std::uint16_t videoPort) override;
    std::uint16_t LocalPort(std::uint8_t channel) const override;
    long SendOnChannel(std::uint8_t channel, const std::uint8_t* data, std::size_t size, std::uint32_t ip,
                       std::uint16_t port) override;
    int Open(const CallMediaParams& params, const CallMediaContext& context) override;
    void Close() override;
    bool SendAudioProbe() override;
    bool SendVideoProbe() override;
    bool VideoCompressorOpens(int codecId) const override;
    bool AssignVideoStream(std::uint32_t ssrc, bool add) override;

    // For tests: the call's receive threads (null before Open).
    CDataRecvThread* AudioReceiver() const { return m_audioReceiver.get(); }
    CDataRecvThread* VideoReceiver() const { return m_videoReceiver.get(); }

private:
    MediaSocket* Socket(std::uint8_t channel);

    MediaSocket m_audioSocket;
    MediaSocket m_videoSocket;
    std::unique_ptr<PcmBlockQueue> m_captureQueue;
    std::unique_ptr<PlayoutBuffer> m_playout;
    std::unique_ptr<CDataRecvThread> m_audioReceiver;
    std::unique_ptr<CDataRecvThread> m_videoReceiver;
    // The senders while this call's media are open; read by the probe timer without locks.
    std::atomic<CDataSendThread*> m_audioSender{nullptr};
    std::atomic<CDataSendThread*> m_videoSender{nullptr};
};

// Makes new calls use TalkMedia (installed by a front-end for its lifetime); at the end the
// plain media come back and the process-wide media threads end.
class MediaPipelineScope {
public:
    MediaPipelineScope();
    ~MediaPipelineScope();
    MediaPipelineScope(const MediaPipelineScope&) = delete;
    MediaPipelineScope& operator=(const MediaPipelineScope&) = delete;
};

} // namespace orv
