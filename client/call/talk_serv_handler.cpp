// TalkServHandler: construction and end of life, the owner link, per-call logging and
// events.
#include "client/call/talk_serv_handler.h"

#include "client/call/call_state.h"
#include "client/data/client_config.h"
#include "client/log/log.h"
#include "platform/tick.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <set>

namespace orv {

namespace {

// Posted to the handler's own window: end the handler on the thread that created it, where
// closing the link cannot wait on a lock held by a caller of the handler.
constexpr UINT WM_FINISH_CALL = WM_USER + 4;

std::mutex g_registryLock;
std::set<TalkServHandler*> g_handlers;

} // namespace

TalkServHandler::TalkServHandler(const std::string& callerId, const std::string& calledId,
                                 const std::string& originalId, CallOwner* owner, const TalkEstablish& notice,
                                 HWND remoteVideoWindow, bool videoSend)
    : m_callerId(callerId.substr(0, kIdField - 1)),
      m_calledId(calledId.substr(0, kIdField - 1)),
      m_originalId(originalId.substr(0, kIdField - 1)),
      m_caller(notice.IsCaller()),
      m_noForward(notice.noForward == 1),
      m_videoSend(videoSend),
      m_callId(notice.callId),
      m_servId(notice.servId),
      m_remoteVideoWindow(remoteVideoWindow),
      m_noticeAudioIP(notice.peerAudioIP),
      m_noticeAudioPort(notice.peerAudioPort),
      m_noticeVideoIP(notice.peerVideoIP),
      m_noticeVideoPort(notice.peerVideoPort),
      m_owner(owner) {
    SetHandlerName("TalkServHandler");
    // Every talk message fits a call set-up; a frame announcing more is hostile.
    SetLongestMessage(static_cast<std::uint32_t>(kCallSetupSize));
    {
        std::lock_guard<std::mutex> lock(g_registryLock);
        g_handlers.insert(this);
    }
    bool autoAlloc = true;
    std::uint16_t audioPort = 0, videoPort = 0, orvPort = 0;
    if (owner != nullptr) {
        CommSettings& comm = owner->CallConfig().Comm();
        autoAlloc = comm.autoAlloc != 0;
        audioPort = static_cast<std::uint16_t>(comm.audioPort);
        videoPort = static_cast<std::uint16_t>(comm.videoPort);
        orvPort = static_cast<std::uint16_t>(comm.orvPort);
    }
    m_callMedia = CreateCallMedia();
    if (autoAlloc) audioPort = videoPort = 0;
    if (!m_callMedia->BindSockets(audioPort, videoPort)) Log(3, "Bind media sockets failed");
    Log(3, "Audio Port=%d, Video Port=%d", m_callMedia->LocalPort(kAudioChannel),
        m_callMedia->LocalPort(kVideoChannel));

    m_media.peerAudioIP = notice.peerAudioIP;
    m_media.peerAudioPort = notice.peerAudioPort;
    m_media.peerVideoIP = notice.peerVideoIP;
    m_media.peerVideoPort = notice.peerVideoPort;
    SetServerAddr(notice.talkServIP, notice.talkServPort);
    m_autoAlloc = autoAlloc;
    m_linkPort = autoAlloc ? 0 : orvPort;
}

void TalkServHandler::Start() {
    bool linked = CreateLink(kSockStream, m_linkPort);
    Log(3, "%s %s Alloc TCP %s", GetHandlerName().c_str(), m_autoAlloc ? "Auto" : "Manual",
        linked ? "Success" : "Failed");
    // The time-out goes in before the connect, so a connection that comes up at once
    // always finds it to cancel.
    AddPending(nullptr, 0, 0, kConnectTimeoutMs, kTimerOneShot, 0);
    if (linked) Connect();
}

TalkServHandler::~TalkServHandler() {
    RemoveAllPending();
    if (GetLinkId() != 0) CloseLink();
    {
        OwnerRef owner(this);
        if (owner) owner->OnCallHandlerGone(this);
    }
    std::unique_ptr<CallMedia> media;
    {
        std::lock_guard<CriticalSection> lock(m_csMedia);
        media = std::move(m_callMedia);
    }
    // Stops the call's receive threads and closes both sockets. Outside the media lock: the
    // threads may take a while to end, and the lock serves the timer thread meanwhile.
    media.reset();
    {
        std::lock_guard<std::mutex> lock(g_registryLock);
        g_handlers.erase(this);
    }
    Log(3, "TalkServerHandle Destruct");
}

void TalkServHandler::DetachOwner() {
    m_owner.store(nullptr);
    while (m_ownerCalls.load() != 0) Sleep(1);
}

void DetachCallOwner(CallOwner* owner) {
    std::lock_guard<std::mutex> lock(g_registryLock);
    for (TalkServHandler* h : g_handlers) h->DetachOwnerIf(owner);
}

void TalkServHandler::DetachOwnerIf(CallOwner* owner) {
    CallOwner* expected = owner;
    if (m_owner.compare_exchange_strong(expected, nullptr)) DetachOwner();
}

void TalkServHandler::Log(int level, const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    WriteLog(level, "(0x%08x:%d)%s", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(this)),
             static_cast<int>(m_callId), text);
}

void TalkServHandler::PostEvent(int code, LPARAM value) {
    if (!m_active.load()) return;
    OwnerRef owner(this);
    HWND target = owner ? owner->CallEventWindow() : 0;
    if (target != 0)
        PostMessage(target, m_confConnected.load() ? WM_CONF_EVENT : WM_TALK_EVENT, static_cast<WPARAM>(code), value);
}

void TalkServHandler::PostEventBlock(int code, std::uint8_t* block) {
    // Only the conference window takes blocks: before it is in charge they are dropped.
    OwnerRef owner(this);
    HWND target = m_active.load() && m_confConnected.load() && owner ? owner->CallEventWindow() : 0;
    if (target == 0 || !PostMessage(target, WM_CONF_EVENT, static_cast<WPARAM>(code), reinterpret_cast<LPARAM>(block)))
        delete[] block;
}

bool TalkServHandler::AssignVideoStream(std::uint32_t ssrc, bool add) {
    std::lock_guard<CriticalSection> lock(m_csMedia);
    return m_callMedia && m_callMedia->AssignVideoStream(ssrc, add);
}

bool TalkServHandler::CheckRegistered(const char* operation) {
    if (EndpointID.load() != 0) return true;
    Log(3, "%s Local EndpointID=0, means not registered", operation);
    return false;
}

bool TalkServHandler::SetCallState(int state) {
    if (!m_active.load()) return true;
    return orv::SetCallState(state, m_caller);
}

int TalkServHandler::SendPacket(const std::vector<std::uint8_t>& packet, bool pending, int retries,
                                std::uint32_t intervalMs, std::uint32_t delayMs) {
    std::vector<std::uint8_t> copy = packet;
    BuildHeader(copy.data(), static_cast<std::uint32_t>(copy.size()), GetU16LE(copy.data()), 0);
    return SendData(copy.data(), static_cast<std::uint32_t>(copy.size()), pending, retries, intervalMs, delayMs);
}

CallMediaParams TalkServHandler::GetMediaParams() {
    std::lock_guard<CriticalSection> lock(m_csMedia);
    return m_media;
}

// ---- end of life

void TalkServHandler::EndLater() {
    m_ending.store(true);
    if (!m_connected.load()) {
        Finish();
        return;
    }
    AddPending(nullptr, 0, 0, kEndLingerMs, kTimerOneShot, 0);
}

void TalkServHandler::Finish() {
    if (m_finished.exchange(true)) return;
    m_active.store(false);
    PostMessage(GetSafeHwnd(), WM_FINISH_CALL, 0, 0);
}

LRESULT TalkServHandler::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_FINISH_CALL) return CMsgHandler::WindowProc(message, wParam, lParam);
    RemoveAllPending();
    CloseLink();
    {
        OwnerRef owner(this);
        if (owner) owner->OnCallHandlerGone(this);
    }
    Release(); // the handler's own unit: deleted once every running operation has returned
    return 0;
}

} // namespace orv
