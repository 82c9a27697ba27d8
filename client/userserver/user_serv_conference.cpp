// The conference side of the user-server session: asking for a room, inviting members into
// it, the establish notice that creates the conference handler for the chairman and for an
// invited member, and the answers to invitations.
#include "client/call/call_state.h"
#include "client/conference/conf_events.h"
#include "client/conference/conf_serv_handler.h"
#include "client/data/call_record_list.h"
#include "client/log/log.h"
#include "client/userserver/user_serv_handler.h"
#include "wire/byte_order.h"
#include "wire/text_field.h"

#include <cstring>

namespace orv {

namespace {

constexpr int kConfRequestRetries = 5;
constexpr std::uint32_t kConfRequestIntervalMs = 5000;
constexpr std::uint32_t kKindConference = 1;

} // namespace

int CUserServHandler::DoConfRequest() {
    UseGuard use(this);
    if (EndpointID.load() == 0) {
        WriteLog(3, "DoConfRequest Local EndpointID=0, means not registered");
        return 0;
    }
    if (!SetCallState(CALLSTATE_SENDREQUEST, true)) {
        WriteLog(3, "SetCallState(CALLSTATE_SENDREQUEST) failed CurState=%d", GetCallState());
        Post(m_confWnd.load(), WM_CALL_PROGRESS, kProgressRefusedLocally, 1);
        return 0;
    }
    std::vector<std::uint8_t> packet = BuildConfRequest(0, GetUserNumber());
    WriteLog(3, "DoConfRequest");
    const int sent = SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), true, kConfRequestRetries,
                              kConfRequestIntervalMs, 0);
    {
        std::lock_guard<CriticalSection> lock(m_talk.csPeer);
        m_talk.peer = PeerBlock{};
    }
    Post(m_confWnd.load(), WM_CALL_PROGRESS, kProgressCalling, 0);
    return sent;
}

int CUserServHandler::DoConfInvite(const std::string& dialled) {
    UseGuard use(this);
    if (EndpointID.load() == 0) {
        WriteLog(3, "DoConfInvite Local EndpointID=0, means not registered");
        return 0;
    }
    PeerBlock entry;
    PutTextField(reinterpret_cast<std::uint8_t*>(entry.dialled), kPeerFieldSize, dialled.c_str());
    m_friends.LookupPeer(&entry);
    // The invited list keys its entries by the number a seat notice will carry.
    PutTextField(reinterpret_cast<std::uint8_t*>(entry.dialled), kPeerFieldSize, DialledNumber(dialled).c_str());
    TalkServHandler* handler = LockCallHandler();
    int sent = 0;
    if (handler == nullptr || handler->GetHandlerName() != kConfHandlerName) {
        WriteLog(3, "DoConfInvite Error");
    } else {
        auto* conf = static_cast<ConfServHandler*>(handler);
        ConfInviteRequest invite;
        invite.servId = conf->GetServID();
        invite.callId = conf->GetCallID();
        invite.own = GetUserNumber();
        invite.invited = DialledNumber(dialled);
        std::vector<std::uint8_t> packet = BuildConfInvite(0, invite);
        WriteLog(3, "DoConfRequest Invited=%s", dialled.c_str());
        InvitedEntry copy;
        std::memcpy(copy.data(), &entry, copy.size());
        conf->Invited().Add(copy);
        sent = SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), true, kConfRequestRetries,
                        kConfRequestIntervalMs, 0);
        SetCurrentPeer(dialled);
        if (m_records != nullptr)
            m_records->Add(1, kKindConference, conf->GetCallID(), invite.own, dialled, kDialledCall, 0);
    }
    UnlockCallHandler();
    return sent;
}

void CUserServHandler::OnConfEstablish(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    ConfEstablish notice;
    if (body == nullptr || !ParseConfEstablish(body, size, &notice)) {
        WriteLog(3, "OnConfEstablish Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        WriteLog(3, "OnConfEstablish Local EndpointID=0, means not registered");
        return;
    }
    const bool chairman = notice.role == kRoleChairman;
    if (chairman && !FindPending(h.seqNum, PKT_CONF_REQUEST, 3, true)) {
        WriteLog(3, "Get ConfEstablish Packet, But Something seems Error in Local Packet list");
        return;
    }
    const char* role = chairman ? "caller" : "called";
    const std::string own = GetUserNumber();
    if (notice.result != 0) {
        WriteLog(3, "OnConfEstablish be %s, Failed reason=%d", role, notice.reason);
        if (!chairman) return;
        SetCallState(CALLSTATE_IDLE, true);
        Post(m_confWnd.load(), WM_CALL_PROGRESS, kProgressRequestRefused, notice.reason);
        if (m_records != nullptr) m_records->AddFailed(kKindConference, own, own, notice.reason, kEndRequestRefused);
        return;
    }
    WriteLog(3, "OnConfEstablish be %s, CallID=%ld, ConfServIP=0x%08x, TalkServPort=%d", role,
             static_cast<long>(notice.callId), notice.servIP, notice.servPort);
    {
        std::lock_guard<CriticalSection> lock(m_talk.csPeer);
        m_talk.dialled.clear();
    }
    HWND video = m_talk.remoteVideoWindow.load();
    const bool videoSend = m_talk.videoSend.load();
    if (chairman) {
        // The handler lives on this (the network) thread and ends itself with the conference.
        auto* handler = new ConfServHandler(own, notice.confId, own, this, notice, video, videoSend);
        SetCallHandler(handler);
        handler->Start();
        if (m_records != nullptr) m_records->Add(1, kKindConference, notice.callId, own, notice.confId, kDialledCall, 0);
        Post(m_confWnd.load(), WM_CALL_PROGRESS, kProgressConfRegistered, 0);
    } else {
        (new ConfServHandler(notice.chairman, notice.invited, notice.confId, this, notice, video, videoSend))->Start();
        if (m_records != nullptr)
            m_records->Add(0, kKindConference, notice.callId, notice.chairman, notice.confId, kMissedCall, 0);
    }
}

void CUserServHandler::OnConfInviteAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    if (body == nullptr || size < 1) {
        WriteLog(3, "OnConfInviteAck Error(NULL Pointer)");
        return;
    }
    std::vector<std::uint8_t> request;
    if (!FindPending(h.seqNum, PKT_CONF_INVITE, 3, true, &request)) {
        WriteLog(3, "Get ConfInviteAck Packet, But it has wrong Packet ID=%ld", static_cast<long>(h.seqNum));
        return;
    }
    if (body[0] == 0) return;
    const std::int32_t reason = size >= 5 ? static_cast<std::int32_t>(GetU32LE(body + 1)) : 0;
    ConfInviteRequest invite;
    if (request.size() < kPacketHeaderSize ||
        !ParseConfInvite(request.data() + kPacketHeaderSize, request.size() - kPacketHeaderSize, &invite))
        return;
    WriteLog(3, "Invite failed invited=%s, reason=%ld", invite.invited.c_str(), static_cast<long>(reason));
    TalkServHandler* handler = LockCallHandler();
    if (handler != nullptr && handler->GetHandlerName() == kConfHandlerName)
        static_cast<ConfServHandler*>(handler)->Invited().Take(invite.invited, nullptr);
    UnlockCallHandler();
    if (m_records != nullptr) m_records->MemberEnded(invite.callId, invite.invited, kEndRequestRefused, reason);
    auto* block = new std::uint8_t[kConfInviteFailedBlockSize]();
    PutTextField(block, 32, invite.invited);
    PutU32LE(block + 32, static_cast<std::uint32_t>(reason));
    const HWND target = m_confWnd.load();
    if (target == 0 || !PostMessage(target, WM_CALL_PROGRESS, kConfWindowInviteFailed, reinterpret_cast<LPARAM>(block)))
        delete[] block;
}

// A conference request that got no answer: the call state, which nothing else would move
// on, goes back to idle.
void CUserServHandler::OnConfRequestTimeout() {
    if (GetCallState() == CALLSTATE_SENDREQUEST) SetCallState(CALLSTATE_IDLE, true);
}

} // namespace orv
