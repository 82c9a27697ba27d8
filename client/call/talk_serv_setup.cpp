// TalkServHandler: the call setup with its codec lists, the media-channel announcement
// with its repetition, and the talk server's accept, alert and connect answers.
#include "client/call/call_state.h"
#include "client/call/talk_serv_handler.h"
#include "client/data/client_config.h"
#include "client/log/log.h"
#include "wire/ipv4_text.h"

#include <algorithm>
#include <mutex>

namespace orv {

namespace {

constexpr std::size_t kMaxAudioCodecs = 4;

std::vector<std::uint8_t> FirstCodecs(const std::vector<std::uint8_t>& codecs) {
    return std::vector<std::uint8_t>(codecs.begin(), codecs.begin() + std::min(codecs.size(), kMaxAudioCodecs));
}

} // namespace

CallSetupInfo TalkServHandler::MakeSetupInfo() {
    CallSetupInfo info;
    info.callId = m_callId;
    info.endpointId = EndpointID.load();
    info.originalId = m_originalId;
    OwnerRef owner(this);
    if (owner) {
        ClientConfig& config = owner->CallConfig();
        // Audio is offered only with a sound device.
        if (!config.Audio().device.empty()) {
            info.audioCaptCodecs = FirstCodecs(config.Audio().captureCodecs);
            info.audioPlayCodecs = FirstCodecs(config.Audio().playCodecs);
        }
        // Video: the configured codecs whose compressor opens here can be shown; they are
        // sent too when there is a camera and the owner offers video.
        for (std::uint8_t id : config.Video().playCodecs) {
            if (id >= 1 && id <= 3 && m_callMedia->VideoCompressorOpens(id)) info.videoPlayCodecs.push_back(id);
        }
        if (!config.Video().device.empty() && m_videoSend) info.videoCaptCodecs = info.videoPlayCodecs;
        info.frameRate = static_cast<std::uint16_t>(config.Video().frameRate);
        info.flowRate = static_cast<std::uint16_t>(config.Video().flowRate);
        info.videoFormat = static_cast<std::uint16_t>(config.Video().videoFormat);
    }
    return info;
}

int TalkServHandler::DoCallSetup() {
    UseGuard use(this);
    if (!CheckRegistered("DoCallSetup")) return 0;
    if (!SetCallState(CALLSTATE_SENDSETUP)) {
        m_active.store(false);
        Log(3, "SetCallState(CALLSTATE_SENDSETUP) failed CurState=%d", GetCallState());
        m_pendingReason.store(kReasonBusy);
        m_pendingDisconnect.store(true);
    }
    if (!m_caller && CurrentHookState() == 1) {
        m_active.store(false);
        Log(3, "the USB device is busy");
        m_pendingReason.store(kReasonHandsetBusy);
        m_pendingDisconnect.store(true);
    }
    // A refused setup still goes out: the refusal follows the accept, which lets the talk
    // server forward the call.
    CallSetupInfo info = MakeSetupInfo();
    std::vector<std::uint8_t> packet = BuildCallSetup(info);
    {
        std::lock_guard<CriticalSection> lock(m_csSetup);
        m_setupPacket = packet;
    }
    WriteLog(4, "MakeCallSetup OriginalID = %s", info.originalId.c_str());
    Log(3,
        "DoCallSetup AudioCaptCodecCnt=%d, AudioPlayCodecCnt=%d, VideoCaptCodecCnt=%d, VideoPlayCodecCnt=%d, "
        "VideoCfgInfo=(%d, %d, %d)",
        packet[16], packet[33], packet[50], packet[67], info.flowRate, info.frameRate, info.videoFormat);
    PostEvent(kTalkSetupQueued);
    return SendPacket(packet, true, 0, kSetupAnswerMs, kSetupDelayMs);
}

void TalkServHandler::OpenUDPChannel() {
    UseGuard use(this);
    std::uint32_t endpoint = EndpointID.load();
    if (endpoint == 0) {
        Log(3, "OpenUDPChannel Local EndpointID=0, means not registered");
        return;
    }
    if (m_finished.load() || m_accepted.load()) return;
    std::uint32_t localIP = LocalIP.load();
    std::uint32_t subNet = m_subNet.load();
    for (std::uint8_t channel : {kAudioChannel, kVideoChannel}) {
        bool audio = channel == kAudioChannel;
        std::vector<std::uint8_t> packet = BuildOpenUDPChannel(m_callId, channel, subNet, endpoint, localIP,
                                                               m_callMedia->LocalPort(channel));
        BuildHeader(packet.data(), static_cast<std::uint32_t>(packet.size()), PKT_OPEN_UDP_CHANNEL, 0);
        m_callMedia->SendOnChannel(channel, packet.data(), packet.size(), audio ? m_noticeAudioIP : m_noticeVideoIP,
                                   audio ? m_noticeAudioPort : m_noticeVideoPort);
    }
    Log(3, "OpenUDPChannel AudioIPPort=%s:%d, VideoIPPort=%s:%d, SubNet=%s", DottedQuadOfNetworkOrder(m_noticeAudioIP).c_str(),
        m_noticeAudioPort, DottedQuadOfNetworkOrder(m_noticeVideoIP).c_str(), m_noticeVideoPort, DottedQuadOfNetworkOrder(subNet).c_str());
    AddPending(nullptr, 0, 0, kCallTimerMs, kTimerChannel, 0);
}

void TalkServHandler::OnChannelTimer() {
    UseGuard use(this);
    OpenUDPChannel();
}

void TalkServHandler::OnCallAccept(const std::uint8_t* packet, std::size_t size) {
    UseGuard use(this);
    CallMediaParams p;
    if (!ParseMediaParams(packet, size, &p)) return;
    Log(3,
        "OnCallAccept be %s, AudioIPPort=0x%08x:%d, VideoIPPort=0x%08x:%d, AudioCaptCodec=%d, AudioPlayCodec=%d, "
        "VideoCaptCodec=%d, VideoPlayCodec=%d, VideoCfgInfo=(%d, %d, %d)",
        m_caller ? "caller" : "called", p.peerAudioIP, p.peerAudioPort, p.peerVideoIP, p.peerVideoPort,
        p.audioCaptCodec, p.audioPlayCodec, p.videoCaptCodec, p.videoPlayCodec, p.flowRate, p.frameRate,
        p.videoFormat);
    m_accepted.store(true);
    RemovePending(0, 0, 0, kTimerChannel);
    FindPending(0, PKT_CALL_SETUP, 2, true);
    {
        std::lock_guard<CriticalSection> lock(m_csMedia);
        m_media = p;
    }
    PostEvent(kTalkAcceptReceived);
    if (m_pendingDisconnect.load()) {
        DoCallDisconnect(m_pendingReason.load());
        m_active.store(false);
        return;
    }
    if (!m_caller) {
        if (!DoCallAlert()) {
            m_active.store(false);
            DoCallDisconnect(kReasonBusy);
        }
    } else if (IsConferenceVariant()) {
        DoCallConnect();
    }
}

void TalkServHandler::OnCallAlert() {
    UseGuard use(this);
    Log(3, "OnCallAlert");
    PostEvent(kTalkAlertReceived);
    FindPending(0, PKT_CALL_SETUP, 2, true);
    if (SetCallState(CALLSTATE_RECVALERT))
        RegisterWatchdog(kAlertWatchdogMs);
    else
        Log(3, "SetCallState(CALLSTATE_RECVALERT) failed CurState=%d", GetCallState());
}

void TalkServHandler::RegisterWatchdog(std::uint32_t intervalMs) {
    std::vector<std::uint8_t> copy;
    {
        std::lock_guard<CriticalSection> lock(m_csSetup);
        copy = m_setupPacket;
    }
    if (copy.empty()) copy = BuildCallSetup(MakeSetupInfo());
    // Held by the timer manager without being sent: only its time-out matters.
    AddPending(copy.data(), static_cast<std::uint32_t>(copy.size()), 0, intervalMs, kTimerPendingRequest, 0);
}

bool TalkServHandler::MediaMayOpen() const {
    // Only a call the talk server set up and that was answered carries media: the caller's
    // own call (its establish notice answered its request) once connected, or at a
    // gateway's connect; the called side only after its user answered. Nothing a peer sends
    // opens the microphone of a call that still rings or was never set up here.
    if (!m_accepted.load()) return false;
    int state = GetCallState();
    if (m_caller)
        return state == CALLSTATE_SENDREQUEST || state == CALLSTATE_RECVALERT || state == CALLSTATE_SENDCONNECT ||
               state == CALLSTATE_RECVCONNECT;
    return state == CALLSTATE_SENDCONNECT || state == CALLSTATE_RECVCONNECT;
}

void TalkServHandler::OnCallConnect() {
    UseGuard use(this);
    Log(3, "OnCallConnect");
    bool moved = SetCallState(CALLSTATE_RECVCONNECT);
    if (!moved) Log(3, "SetCallState(CALLSTATE_RECVCONNECT) failed CurState=%d", GetCallState());
    FindPending(0, PKT_CALL_SETUP, 2, true);
    if (!moved || !MediaMayOpen()) return;
    if (OpenMedia()) PostEvent(kTalkMediaOpen);
    RecordTalkStarted();
}

void TalkServHandler::OnCallH323Connect(const std::uint8_t* packet, std::size_t size) {
    UseGuard use(this);
    CallMediaParams p;
    if (!ParseMediaParams(packet, size, &p)) return;
    if (!MediaMayOpen()) {
        Log(3, "OnCallH323Connect ignored, CallState=%d", GetCallState());
        return;
    }
    {
        std::lock_guard<CriticalSection> lock(m_csMedia);
        m_media = p;
    }
    Log(3,
        "OnCallH323Connect AudioIPPort=0x%08x:%d, VideoIPPort=0x%08x:%d, AudioCaptCodec=%d, AudioPlayCodec=%d, "
        "VideoCaptCodec=%d, VideoPlayCodec=%d, VideoCfgInfo=(%d, %d, %d)",
        p.peerAudioIP, p.peerAudioPort, p.peerVideoIP, p.peerVideoPort, p.audioCaptCodec, p.audioPlayCodec,
        p.videoCaptCodec, p.videoPlayCodec, p.flowRate, p.frameRate, p.videoFormat);
    OpenMedia();
    PostEvent(kTalkMediaOpen);
}

} // namespace orv
