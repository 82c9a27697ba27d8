// TalkServHandler: opening and closing the call's media under the media lock, the path
// probe repetitions, and the call record reports.
#include "client/call/call_state.h"
#include "client/call/talk_serv_handler.h"
#include "client/data/call_record_list.h"
#include "client/data/client_config.h"

#include <mutex>

namespace orv {

int TalkServHandler::OpenMedia() {
    // A call that already ended here never opens media: nothing would close it again.
    if (!m_active.load()) return 0;
    CallMediaContext context;
    context.callId = m_callId;
    context.endpointId = EndpointID.load();
    context.conference = IsConferenceVariant();
    context.videoSend = m_videoSend;
    context.remoteVideoWindow = m_remoteVideoWindow;
    {
        OwnerRef owner(this);
        if (owner) {
            context.audioDevice = owner->CallConfig().Audio().device;
            context.echoCancel = owner->CallConfig().Audio().echoCancel != 0;
        }
    }
    int opened = 0;
    {
        std::lock_guard<CriticalSection> lock(m_csMedia);
        if (m_media.peerAudioIP == 0 && m_media.peerVideoIP == 0) {
            Log(3, "Peer audio recv ip and video recv ip are zero");
            return 0;
        }
        opened = m_callMedia->Open(m_media, context);
        m_mediaOpen.store(opened != 0);
    }
    // Timers are registered outside the media lock: the timer thread takes its list lock
    // before the media lock, never after.
    if (opened != 0) StartProbes();
    return opened;
}

void TalkServHandler::CloseMedia() {
    if (!m_active.load()) return;
    {
        std::lock_guard<CriticalSection> lock(m_csMedia);
        m_callMedia->Close();
        m_mediaOpen.store(false);
        SetCallState(CALLSTATE_IDLE);
    }
    RemovePending(0, 0, 0, kTimerAudioProbe);
    RemovePending(0, 0, 0, kTimerVideoProbe);
}

void TalkServHandler::StartProbes() {
    if (m_callMedia->SendAudioProbe()) AddPending(nullptr, 0, 0, kCallTimerMs, kTimerAudioProbe, 0);
    if (m_callMedia->SendVideoProbe()) AddPending(nullptr, 0, 0, kCallTimerMs, kTimerVideoProbe, 0);
}

void TalkServHandler::OnAudioProbeTimer() {
    UseGuard use(this);
    if (m_finished.load() || !m_mediaOpen.load()) return;
    if (m_callMedia->SendAudioProbe()) AddPending(nullptr, 0, 0, kCallTimerMs, kTimerAudioProbe, 0);
}

void TalkServHandler::OnVideoProbeTimer() {
    UseGuard use(this);
    if (m_finished.load() || !m_mediaOpen.load()) return;
    if (m_callMedia->SendVideoProbe()) AddPending(nullptr, 0, 0, kCallTimerMs, kTimerVideoProbe, 0);
}

void TalkServHandler::RecordTalkStarted() {
    OwnerRef owner(this);
    if (!owner) return;
    if (CallRecordList* records = owner->CallRecords()) records->TalkStarted(m_callId);
}

void TalkServHandler::RecordMember(const std::string& number, bool ended, std::int32_t reason) {
    OwnerRef owner(this);
    CallRecordList* records = owner ? owner->CallRecords() : nullptr;
    if (records == nullptr) return;
    if (ended) records->MemberEnded(m_callId, number, kEndRemoteHangup, reason);
    else records->MemberTalkStarted(m_callId, number);
}

void TalkServHandler::RecordCallEnded(std::uint32_t endKind, std::int32_t reason) {
    // The first end reported wins: a link that closes after the hang-up does not turn a
    // finished call into a lost one.
    if (m_endReported.exchange(true)) return;
    OwnerRef owner(this);
    if (!owner) return;
    if (CallRecordList* records = owner->CallRecords()) records->CallEnded(m_caller ? 1 : 0, m_callId, endKind, reason);
}

} // namespace orv
