#include "client/media/data_send_thread.h"

#include "client/audio/codecs/audio_codec.h"
#include "client/audio/pipeline/pcm_block_queue.h"
#include "client/log/log.h"
#include "client/media/audio_timestamp.h"
#include "client/media/call_video_capture.h"
#include "client/media/media_socket.h"
#include "platform/message_pump.h"
#include "platform/tick.h"
#include "wire/ipv4_text.h"
#include "wire/media_header.h"

#include <mutex>

namespace orv {

namespace {

// The payload of one 30 ms block is at most the 8-bit codecs' 240 bytes; G.711 is the largest.
constexpr std::size_t kMaxAudioPayload = kPcmBlockBytes;
// With nothing to send the thread still looks at its message queue this often.
constexpr std::uint32_t kIdleWaitMs = 1000;

} // namespace

CDataSendThread::CDataSendThread(int mode, MediaSocket* socket, std::uint32_t ssrc,
                                 std::size_t videoSizeLimit)
    : m_mode(mode == kModeAudio ? kModeAudio : kModeVideo), m_socket(socket), m_ssrc(ssrc),
      m_fragmenter(videoSizeLimit), m_packet(kMediaHeaderBytes + kMaxAudioPayload) {
    for (int id = kCodecG711ALaw; id <= kCodecG729; ++id) {
        m_audioCodecs[static_cast<std::size_t>(id - 1)] = CreateAudioCodec(id);
    }
    if (m_mode == kModeAudio) Start();
}

CDataSendThread::~CDataSendThread() {
    if (!Stop(5000)) Join(); // the thread still uses the codecs, the queue and the socket
    if (m_mode == kModeVideo) WriteLog(3, "VideoSendThread exit");
}

bool CDataSendThread::InitInstance() {
    SetCurrentThreadPriority(ThreadPriority::Highest);
    return true;
}

int CDataSendThread::Run() {
    while (!m_quit.load()) {
        if (!DispatchWaitingMessages()) m_quit = true;
        if (m_quit.load()) break;
        m_wake.Wait(SendAudioPass());
    }
    return 0;
}

int CDataSendThread::ExitInstance() {
    WriteLog(3, "%sSendThread exit", m_mode == kModeAudio ? "Audio" : "Video");
    return 0;
}

std::uint32_t CDataSendThread::SendAudioPass() {
    std::lock_guard<CriticalSection> hold(m_lock);
    if (m_audioCodec == nullptr || m_sourceQueue == nullptr || m_sourceQueue->Count() == 0) return kIdleWaitMs;
    const std::uint32_t now = GetTickCount();
    const std::int32_t early = TickDiff(m_nextSendTick, now);
    if (early > 0 && early <= static_cast<std::int32_t>(kCatchUpSpacingMs)) return static_cast<std::uint32_t>(early);
    const std::uint8_t* block = m_sourceQueue->Get();
    if (block == nullptr) return kIdleWaitMs;
    m_nextSendTick = now + kCatchUpSpacingMs;
    // A backlog is worked off at the catch-up spacing; an empty queue sleeps until a put.
    const std::uint32_t wait = m_sourceQueue->Count() != 0 ? kCatchUpSpacingMs : kIdleWaitMs;
    std::uint32_t pcmLength = kPcmBlockBytes;
    std::uint32_t encoded = m_audioCodec->EncodedSize(kPcmBlockBytes);
    if (encoded == 0 || encoded > kMaxAudioPayload) return wait;
    if (m_audioCodec->Encode(block, pcmLength, m_packet.data() + kMediaHeaderBytes, encoded) != 0) return wait;
    MediaHeader header;
    header.payloadType = m_audioCodec->PayloadType();
    header.sequence = static_cast<std::uint16_t>(m_sequence++);
    header.timestamp = TakeAudioTimestamp();
    header.ssrc = m_ssrc;
    PackMediaHeader(header, m_packet.data());
    SendToDestination(m_packet.data(), kMediaHeaderBytes + encoded);
    return wait;
}

bool CDataSendThread::SendToDestination(const std::uint8_t* packet, std::size_t length) {
    if (m_socket == nullptr || m_destinationPort == 0 || m_destinationAddress.empty()) return false;
    // Send errors are not acted on: the next packet simply tries again.
    const long sent = m_socket->SendTo(packet, length, m_destinationPort, m_destinationAddress.c_str());
    if (sent >= 0) ++m_packetsSent;
    return sent >= 0;
}

void CDataSendThread::SetCodecs(int audioCodecId, int videoCodecId) {
    // Opening a compressor can take long; it happens before the lock is taken.
    std::unique_ptr<VideoCompressor> compressor =
        m_mode == kModeVideo ? OpenVideoCompressor(videoCodecId) : nullptr;
    std::lock_guard<CriticalSection> hold(m_lock);
    m_sequence = 0;
    m_peerLearned = false;
    m_audioCodecId = audioCodecId;
    m_videoCodecId = videoCodecId;
    m_audioCodec = audioCodecId >= kCodecG711ALaw && audioCodecId <= kCodecG729
                       ? m_audioCodecs[static_cast<std::size_t>(audioCodecId - 1)].get()
                       : nullptr;
    m_compressor = std::move(compressor);
}

void CDataSendThread::SetDestination(std::uint32_t networkOrderIp, std::uint16_t port) {
    const std::string address = DottedQuadOfNetworkOrder(networkOrderIp);
    std::lock_guard<CriticalSection> hold(m_lock);
    m_destinationAddress = address;
    m_destinationPort = port;
}

void CDataSendThread::SetDestinationFromProbe(const std::string& address, std::uint16_t port) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_destinationAddress = address;
    m_destinationPort = port;
}

void CDataSendThread::SetLearnedDestination(const std::string& address, std::uint16_t port) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_destinationAddress = address;
    m_destinationPort = port;
    m_peerLearned = true;
}

void CDataSendThread::SetSourceQueue(PcmBlockQueue* queue) {
    std::lock_guard<CriticalSection> hold(m_lock);
    if (m_sourceQueue != nullptr) m_sourceQueue->SetPutSignal(nullptr);
    m_sourceQueue = queue;
    if (m_sourceQueue != nullptr && m_mode == kModeAudio) m_sourceQueue->SetPutSignal(&m_wake);
    m_wake.Set();
}

void CDataSendThread::SetSocket(MediaSocket* socket) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_socket = socket;
}

void CDataSendThread::ReleaseSocket(MediaSocket* socket) {
    std::lock_guard<CriticalSection> hold(m_lock);
    if (m_socket == socket) m_socket = nullptr;
}

void CDataSendThread::SetSsrc(std::uint32_t ssrc) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_ssrc = ssrc;
}

void CDataSendThread::SetVideoRate(int flowRate, int frameRate) {
    std::lock_guard<CriticalSection> hold(m_lock);
    if (m_videoCodecId == 2 && m_compressor) m_compressor->SetRate(flowRate, frameRate);
}

int CDataSendThread::SendProbe() {
    std::lock_guard<CriticalSection> hold(m_lock);
    if (m_peerLearned) return 0;
    std::uint8_t probe[kMediaHeaderBytes];
    PackProbe(m_ssrc, probe);
    return SendToDestination(probe, sizeof probe) ? 1 : 0;
}

void CDataSendThread::VideoFrameSink(const BitmapInfoHeader& raw, const std::uint8_t* bits,
                                     std::size_t length) {
    std::lock_guard<std::mutex> frame(m_videoFrameMutex);
    {
        std::lock_guard<CriticalSection> hold(m_lock);
        if (!m_compressor || bits == nullptr) return;
        BitmapInfoHeader format;
        bool keyFrame = false;
        if (!m_compressor->Compress(raw, bits, length, format, m_compressed, keyFrame)) return;
        FragmentVideoFrame(format, nullptr, m_compressed.data(), m_compressed.size(), keyFrame, GetTickCount());
    }
    SendFragmentsSpaced();
    ++TheVideoFrameCounters().sent;
}

void CDataSendThread::SendVideoFrame(const BitmapInfoHeader& format, const std::uint8_t* colourTable,
                                     const std::uint8_t* data, std::size_t length, bool keyFrame,
                                     std::uint32_t timestamp) {
    std::lock_guard<std::mutex> frame(m_videoFrameMutex);
    {
        std::lock_guard<CriticalSection> hold(m_lock);
        FragmentVideoFrame(format, colourTable, data, length, keyFrame, timestamp);
    }
    SendFragmentsSpaced();
}

void CDataSendThread::FragmentVideoFrame(const BitmapInfoHeader& format, const std::uint8_t* colourTable,
                                         const std::uint8_t* data, std::size_t length, bool keyFrame,
                                         std::uint32_t timestamp) {
    BuildVideoFrame(format, colourTable, data, length, keyFrame, m_frame);
    m_fragmentBytes.clear();
    m_fragmentEnds.clear();
    m_fragmenter.Send(m_frame.data(), m_frame.size(), timestamp, m_ssrc, m_sequence,
                      [&](const std::uint8_t* packet, std::size_t packetLength) {
                          m_fragmentBytes.insert(m_fragmentBytes.end(), packet, packet + packetLength);
                          m_fragmentEnds.push_back(m_fragmentBytes.size());
                      });
}

void CDataSendThread::SendFragmentsSpaced() {
    std::size_t begin = 0;
    for (std::size_t end : m_fragmentEnds) {
        if (begin != 0) Sleep(kFragmentSpacingMs); // so a large frame does not leave as one burst
        std::lock_guard<CriticalSection> hold(m_lock);
        SendToDestination(m_fragmentBytes.data() + begin, end - begin);
        begin = end;
    }
}

bool CDataSendThread::Stop(std::uint32_t waitMs) {
    SetCodecs(0, 0);
    SetSourceQueue(nullptr);
    if (m_mode != kModeAudio) return true;
    m_quit = true;
    m_wake.Set();
    return WorkerThread::Stop(waitMs);
}

bool CDataSendThread::PeerLearned() {
    std::lock_guard<CriticalSection> hold(m_lock);
    return m_peerLearned;
}

std::string CDataSendThread::DestinationAddress() {
    std::lock_guard<CriticalSection> hold(m_lock);
    return m_destinationAddress;
}

std::uint16_t CDataSendThread::DestinationPort() {
    std::lock_guard<CriticalSection> hold(m_lock);
    return m_destinationPort;
}

} // namespace orv
