// One receive thread per medium of a call. It blocks on the call's media socket; a probe
// from the peer points the sender of the same medium at the probe's source, media go to the
// audio or the video receive path. The first decoded media tell the sender where the peer
// really is, which ends its probing. Probes and media that do not come from the peer (its
// SSRC, its learned address while that is alive) do not move the sender (MediaPeerGuard).
#pragma once

#include "client/media/audio_receiver.h"
#include "client/media/media_peer_guard.h"
#include "client/media/video_receiver.h"
#include "platform/thread.h"
#include "platform/types.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

class CDataSendThread;
class MediaSocket;

class CDataRecvThread final : public WorkerThread {
public:
    static constexpr int kModeVideo = 0;
    static constexpr int kModeAudio = 1;

    // Starts the thread (audio mode at the highest priority). sender may be null.
    CDataRecvThread(int mode, MediaSocket* socket, CDataSendThread* sender);
    // Stops the thread (Stop) and waits for it however long it takes.
    ~CDataRecvThread() override;

    void SetCodecs(int audioCodecId, int videoCodecId, bool multiStream);
    void SetOutputQueue(SpeechBlockSink* queue);
    void SetNotifyWindow(HWND window);
    void SetStrict(bool strict);
    bool AssignStream(std::uint32_t ssrc, bool add);
    // The sender told of probes and of the learned peer; null once the call's media closed,
    // so a late datagram cannot re-point a sender that serves another call by then.
    void SetSender(CDataSendThread* sender);

    // Detaches the output, silences the codecs, asks the thread to quit and ends the socket's
    // reception so a blocked receive returns; waits up to waitMs. The socket itself stays
    // open (its owner closes it once no thread can be inside it).
    bool Stop(std::uint32_t waitMs = 5000);

    // What the thread does with one received datagram.
    void HandleDatagram(const std::uint8_t* data, std::size_t length, const std::string& address,
                        std::uint16_t port);

    int Mode() const { return m_mode; }
    AudioReceiver& Audio() { return m_audio; }
    VideoReceiver& Video() { return m_video; }
    std::uint64_t ProbesSeen() const { return m_probesSeen.load(); }
    std::uint64_t DatagramsSeen() const { return m_datagramsSeen.load(); }

protected:
    bool InitInstance() override;
    int Run() override;
    int ExitInstance() override;

private:
    const char* ModeName() const { return m_mode == kModeAudio ? "Audio" : "Video"; }

    const int m_mode;
    MediaSocket* m_socket;
    void TellSender(const std::string& address, std::uint16_t port, bool learned);
    void Refused(const char* what, const std::string& address, std::uint16_t port, std::uint32_t ssrc);

    CriticalSection m_senderLock; // the sender is not changed while it is being told
    CDataSendThread* m_sender;
    AudioReceiver m_audio;
    VideoReceiver m_video;
    std::atomic<std::uint64_t> m_probesSeen{0};
    std::atomic<std::uint64_t> m_datagramsSeen{0};
    // Receive thread only.
    static constexpr int kRefusalsLogged = 10;
    static constexpr std::uint32_t kErrorPauseMs = 5;
    MediaPeerGuard m_guard;
    std::uint32_t m_datagramSsrc = 0; // SSRC of the datagram being handled
    int m_refused = 0;
};

} // namespace orv
