#include "client/media/talk_media.h"

#include "client/audio/pipeline/audio_play_thread.h"
#include "client/audio/pipeline/audio_record_thread.h"
#include "client/audio/pipeline/pcm_block_queue.h"
#include "client/audio/pipeline/playout_buffer.h"
#include "client/data/client_config.h"
#include "client/media/call_video_capture.h"
#include "client/media/data_recv_thread.h"
#include "client/media/data_send_thread.h"
#include "client/media/process_media.h"
#include "wire/ipv4_text.h"

#include <sys/socket.h>

#include <mutex>

namespace orv {

namespace {

std::size_t ConfiguredVideoSizeLimit() {
    ClientConfig* config = TheConfig();
    const int limit = config != nullptr ? config->Video().videoSizeLimit : 0;
    return limit > 0 ? static_cast<std::size_t>(limit) : 0;
}

} // namespace

TalkMedia::TalkMedia() = default;

TalkMedia::~TalkMedia() {
    Close();
    // Each receive thread is stopped and waited for: the sockets it reads are closed below.
    m_audioReceiver.reset();
    m_videoReceiver.reset();
    {
        ProcessMedia& media = ProcessMedia::Get();
        std::lock_guard<CriticalSection> hold(media.Lock());
        if (CDataSendThread* audio = media.ExistingAudioSender()) audio->ReleaseSocket(&m_audioSocket);
        if (CDataSendThread* video = media.ExistingVideoSender()) video->ReleaseSocket(&m_videoSocket);
    }
    m_audioSocket.Close();
    m_videoSocket.Close();
}

bool TalkMedia::BindSockets(std::uint16_t audioPort, std::uint16_t videoPort) {
    return m_audioSocket.Create(audioPort, SOCK_DGRAM) && m_videoSocket.Create(videoPort, SOCK_DGRAM);
}

MediaSocket* TalkMedia::Socket(std::uint8_t channel) {
    if (channel == kAudioChannel) return &m_audioSocket;
    if (channel == kVideoChannel) return &m_videoSocket;
    return nullptr;
}

std::uint16_t TalkMedia::LocalPort(std::uint8_t channel) const {
    const MediaSocket* socket = channel == kAudioChannel   ? &m_audioSocket
                                : channel == kVideoChannel ? &m_videoSocket
                                                           : nullptr;
    std::string address;
    std::uint16_t port = 0;
    if (socket == nullptr || !socket->IsCreated() || !socket->LocalAddress(address, port)) return 0;
    return port;
}

long TalkMedia::SendOnChannel(std::uint8_t channel, const std::uint8_t* data, std::size_t size,
                              std::uint32_t ip, std::uint16_t port) {
    MediaSocket* socket = Socket(channel);
    if (socket == nullptr || data == nullptr || !socket->IsCreated()) return -1;
    return socket->SendTo(data, size, port, DottedQuadOfNetworkOrder(ip).c_str());
}

int TalkMedia::Open(const CallMediaParams& params, const CallMediaContext& context) {
    if (!m_audioSocket.IsCreated() || !m_videoSocket.IsCreated()) return 0;
    ProcessMedia& media = ProcessMedia::Get();
    std::lock_guard<CriticalSection> hold(media.Lock());
    if (!m_captureQueue) m_captureQueue = std::make_unique<PcmBlockQueue>();
    if (!m_playout) m_playout = std::make_unique<PlayoutBuffer>();

    media.Echo().SetEnabled(context.echoCancel);
    media.Capture(context.audioDevice).SetCaptureQueue(m_captureQueue.get());

    // The queue is attached last: the sender starts on a clean sequence and destination.
    CDataSendThread& audio = media.AudioSender(&m_audioSocket, context.endpointId);
    audio.SetSsrc(context.endpointId);
    audio.SetSocket(&m_audioSocket);
    audio.SetCodecs(params.audioCaptCodec, 0);
    audio.SetDestination(params.peerAudioIP, params.peerAudioPort);
    audio.SetSourceQueue(m_captureQueue.get());

    media.Playback(context.audioDevice).SetPlaybackQueue(m_playout.get());

    if (!m_audioReceiver) {
        m_audioReceiver = std::make_unique<CDataRecvThread>(CDataRecvThread::kModeAudio, &m_audioSocket, &audio);
    }
    m_audioReceiver->SetSender(&audio);
    m_audioReceiver->SetCodecs(params.audioPlayCodec, 0, false);
    m_audioReceiver->SetOutputQueue(m_playout.get());

    CDataSendThread& video = media.VideoSender(&m_videoSocket, context.endpointId, ConfiguredVideoSizeLimit());
    video.SetSsrc(context.endpointId);
    video.SetCodecs(0, params.videoCaptCodec);
    video.SetVideoRate(params.flowRate, params.frameRate);
    video.SetDestination(params.peerVideoIP, params.peerVideoPort);
    video.SetSocket(&m_videoSocket);

    if (!m_videoReceiver) {
        m_videoReceiver = std::make_unique<CDataRecvThread>(CDataRecvThread::kModeVideo, &m_videoSocket, &video);
    }
    m_videoReceiver->SetSender(&video);
    m_videoReceiver->SetCodecs(0, params.videoPlayCodec, context.conference);
    m_videoReceiver->SetNotifyWindow(context.remoteVideoWindow);

    // The camera restarts with the call's rate and size and feeds the sender.
    StartCallVideoCapture(params.frameRate, params.videoFormat, video);

    media.attachedCall = this;
    m_audioSender.store(&audio);
    m_videoSender.store(&video);
    return 1;
}

void TalkMedia::Close() {
    m_audioSender.store(nullptr);
    m_videoSender.store(nullptr);
    ProcessMedia& media = ProcessMedia::Get();
    {
        std::lock_guard<CriticalSection> hold(media.Lock());
        // A later call may have taken the process-wide objects over already; they then
        // hold its queues, not ours.
        if (media.attachedCall == this) {
            media.attachedCall = nullptr;
            if (CAudioRecordThread* capture = media.ExistingCapture()) capture->SetCaptureQueue(nullptr);
            if (CDataSendThread* audio = media.ExistingAudioSender()) {
                audio->SetSourceQueue(nullptr);
                audio->SetCodecs(0, 0);
            }
            if (CAudioPlayThread* playback = media.ExistingPlayback()) playback->SetPlaybackQueue(nullptr);
            if (CDataSendThread* video = media.ExistingVideoSender()) video->SetCodecs(0, 0);
            EndCallVideoCapture();
        }
        if (m_audioReceiver) {
            m_audioReceiver->SetSender(nullptr);
            m_audioReceiver->SetOutputQueue(nullptr);
            m_audioReceiver->SetCodecs(0, 0, false);
        }
        if (m_videoReceiver) {
            m_videoReceiver->SetSender(nullptr);
            m_videoReceiver->SetCodecs(0, 0, false);
        }
    }
    m_captureQueue.reset();
    m_playout.reset();
}

bool TalkMedia::VideoCompressorOpens(int codecId) const { return OpenVideoCompressor(codecId) != nullptr; }

bool TalkMedia::AssignVideoStream(std::uint32_t ssrc, bool add) {
    return m_videoReceiver && m_videoReceiver->AssignStream(ssrc, add);
}

bool TalkMedia::SendAudioProbe() {
    CDataSendThread* sender = m_audioSender.load();
    return sender != nullptr && sender->SendProbe() == 1;
}

bool TalkMedia::SendVideoProbe() {
    CDataSendThread* sender = m_videoSender.load();
    return sender != nullptr && sender->SendProbe() == 1;
}

MediaPipelineScope::MediaPipelineScope() {
    InstallCallMediaFactory([] { return std::make_unique<TalkMedia>(); });
}

MediaPipelineScope::~MediaPipelineScope() {
    InstallCallMediaFactory({});
    ProcessMedia::Get().Shutdown();
}

} // namespace orv
