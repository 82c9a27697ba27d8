#include "client/media/data_recv_thread.h"

#include "client/log/log.h"
#include "client/media/data_send_thread.h"
#include "client/media/media_socket.h"
#include "platform/message_pump.h"
#include "platform/tick.h"
#include "wire/media_header.h"

#include <memory>
#include <mutex>
#include <vector>

namespace orv {

CDataRecvThread::CDataRecvThread(int mode, MediaSocket* socket, CDataSendThread* sender)
    : m_mode(mode == kModeAudio ? kModeAudio : kModeVideo), m_socket(socket), m_sender(sender) {
    // The receivers feed the learned address back from the receive thread; the sender's
    // lock is taken inside the receiver's.
    auto learned = [this](const std::string& address, std::uint16_t port) {
        if (!m_guard.AcceptLearned(address, port, m_datagramSsrc)) {
            Refused("media", address, port, m_datagramSsrc);
            return false;
        }
        TellSender(address, port, true);
        return true;
    };
    m_audio.SetPeerLearned(learned);
    m_video.SetPeerLearned(learned);
    Start();
}

CDataRecvThread::~CDataRecvThread() {
    if (!Stop(5000)) {
        // The thread still uses the receivers and the socket: it is waited for.
        WriteLog(5, "%sRecvThread did not stop in 5 s; waiting for it", ModeName());
        Join();
    }
    WriteLog(3, "%sRecvThread exit", ModeName());
}

bool CDataRecvThread::InitInstance() {
    if (m_mode == kModeAudio) SetCurrentThreadPriority(ThreadPriority::Highest);
    WriteLog(3, "%sRecvThread start", ModeName());
    return true;
}

int CDataRecvThread::ExitInstance() { return 0; }

int CDataRecvThread::Run() {
    // One datagram per pass; the buffer holds the largest datagram there is.
    std::vector<std::uint8_t> buffer(kMaxDatagramBytes);
    std::string address;
    std::uint16_t port = 0;
    while (DispatchWaitingMessages()) {
        // The receive blocks until a datagram comes or Stop shuts the socket down (after
        // posting the quit, so the next pass ends the loop).
        const long received = m_socket != nullptr
                                  ? m_socket->ReceiveFrom(buffer.data(), buffer.size(), address, port)
                                  : -1;
        if (received >= 0) HandleDatagram(buffer.data(), static_cast<std::size_t>(received), address, port);
        else Sleep(kErrorPauseMs); // an error the socket reports (a peer's ICMP refusal, no socket)
    }
    return 0;
}

void CDataRecvThread::HandleDatagram(const std::uint8_t* data, std::size_t length,
                                     const std::string& address, std::uint16_t port) {
    MediaHeader header;
    m_datagramSsrc = UnpackMediaHeader(data, length, header) ? header.ssrc : 0;
    if (IsProbe(data, length)) {
        ++m_probesSeen;
        if (m_guard.AcceptProbe(address, port, m_datagramSsrc)) TellSender(address, port, false);
        else Refused("probe", address, port, m_datagramSsrc);
        return;
    }
    ++m_datagramsSeen;
    m_guard.OnMedia(address, port);
    if (m_mode == kModeAudio) m_audio.HandleDatagram(data, length, address, port);
    else m_video.HandleDatagram(data, length, address, port);
}

void CDataRecvThread::TellSender(const std::string& address, std::uint16_t port, bool learned) {
    std::lock_guard<CriticalSection> hold(m_senderLock);
    if (m_sender == nullptr) return;
    if (learned) m_sender->SetLearnedDestination(address, port);
    else m_sender->SetDestinationFromProbe(address, port);
}

void CDataRecvThread::Refused(const char* what, const std::string& address, std::uint16_t port, std::uint32_t ssrc) {
    // Logged a few times only: a stranger's flood must not fill the log.
    if (++m_refused > kRefusalsLogged) return;
    WriteLog(5, "%sRecvThread ignores the %s from %s:%d, SSRC %u: not the peer", ModeName(), what, address.c_str(),
             static_cast<int>(port), ssrc);
}

void CDataRecvThread::SetSender(CDataSendThread* sender) {
    std::lock_guard<CriticalSection> hold(m_senderLock);
    m_sender = sender;
}

void CDataRecvThread::SetCodecs(int audioCodecId, int videoCodecId, bool multiStream) {
    // Only the receiver of this thread's medium: the video one also frees the process-wide
    // picture slots.
    if (m_mode == kModeAudio) m_audio.SetCodec(audioCodecId);
    else m_video.SetCodec(videoCodecId, multiStream);
}

void CDataRecvThread::SetOutputQueue(SpeechBlockSink* queue) { m_audio.SetOutputQueue(queue); }
void CDataRecvThread::SetNotifyWindow(HWND window) { m_video.SetNotifyWindow(window); }
void CDataRecvThread::SetStrict(bool strict) { m_video.SetStrict(strict); }
bool CDataRecvThread::AssignStream(std::uint32_t ssrc, bool add) { return m_video.AssignStream(ssrc, add); }

bool CDataRecvThread::Stop(std::uint32_t waitMs) {
    SetOutputQueue(nullptr);
    SetCodecs(0, 0, false);
    PostThreadMessage(WM_QUIT, 0, 0);
    if (m_socket != nullptr) m_socket->Shutdown();
    return WorkerThread::Stop(waitMs);
}

} // namespace orv
