// TalkServHandler: the stream link's events, the receive checks and dispatch, and the
// time-outs of the call's requests and of the connection.
#include "client/call/call_state.h"
#include "client/call/talk_serv_handler.h"
#include "client/log/log.h"
#include "platform/system.h"
#include "tcplink/tcplink.h"

#include <arpa/inet.h>

namespace orv {

// ---- link events

int TalkServHandler::OnTcpNotifyMsg(const void* event, const void* detail) {
    UseGuard use(this);
    return DispatchTcpEvent(event, detail);
}

void TalkServHandler::OnConnected() {
    UseGuard use(this);
    if (m_connected.exchange(true)) return;
    RemovePending(0, 0, 0, kTimerOneShot);
    if (m_finished.load()) return;
    std::uint32_t localIP = 0;
    std::uint16_t localPort = 0;
    TcpGetLinkAddr(GetLinkId(), kTcpLocalEnd, &localIP, &localPort);
    LocalIP.store(localIP);
    m_subNet.store(ComputeSubNet(localIP));
    Log(3, "connect Success, LocalIP=0x%08x, LocalPort=%d", localIP, localPort);
    if (m_caller) PostEvent(kTalkLinkConnected);
    if (DoCallSetup()) OpenUDPChannel();
    DoTCPKeepAlive();
    OnConnectedExtra();
}

std::uint32_t TalkServHandler::ComputeSubNet(std::uint32_t localIpHost) const {
    std::uint32_t net = htonl(localIpHost);
    for (const LocalAddress& a : LocalIPv4Addresses())
        if (a.address == net) return a.address & a.mask;
    return 0;
}

void TalkServHandler::OnDisconnected() { OnLinkLost(); }
void TalkServHandler::OnLinkClosed() { OnLinkLost(); }

void TalkServHandler::OnLinkLost() {
    UseGuard use(this);
    if (m_finished.load()) return;
    Log(3, "Tcp disconnect");
    RemovePending(0, 0, 0, kTimerOneShot);
    if (m_connected.load()) {
        CloseMedia();
        PostEvent(kTalkLinkClosed);
    } else {
        PostEvent(kTalkLinkClosedEarly);
    }
    SetCallState(CALLSTATE_IDLE);
    RecordCallEnded(kEndLinkLost, 0);
    m_connected.store(false);
    m_active.store(false);
    Finish();
}

// ---- receiving

void TalkServHandler::OnRecv(const std::uint8_t* message, std::size_t size) {
    UseGuard use(this);
    PacketHeader h;
    if (!ReadPacketHeader(message, size, &h) || size < kCallBodyOffset) {
        Log(3, "%s OnRecv Error(Error Packet Size)", GetHandlerName().c_str());
        return;
    }
    if (GetU32LE(message + kCallIdOffset) != m_callId) {
        Log(3, "%s OnRecv Error(Error Call ID)", GetHandlerName().c_str());
        return;
    }
    if (size < TalkMessageMinSize(h.type)) {
        Log(3, "%s OnRecv Error(Error Packet Size)", GetHandlerName().c_str());
        return;
    }
    const std::uint8_t* body = message + kCallBodyOffset;
    switch (h.type) {
    case PKT_TALK_KEEPALIVE: FindPending(h.seqNum, h.type, 3, true); break;
    case PKT_CALL_ACCEPT: OnCallAccept(message, size); break;
    case PKT_CALL_ALERT: OnCallAlert(); break;
    case PKT_CALL_CONNECT: OnCallConnect(); break;
    case PKT_CALL_DISCONNECT: OnCallDisconnect(GetU32LE(body)); break;
    case PKT_CALL_H323_CONNECT: OnCallH323Connect(message, size); break;
    case PKT_CALL_HOLD: OnCallHold(GetU32LE(body)); break;
    case PKT_CALL_PAUSE_VIDEO: OnCallPauseVideo(body[0]); break;
    default:
        if (!DispatchOther(h, message, size)) Log(3, "Unknow Talk Message");
        break;
    }
}

// ---- time-outs

void TalkServHandler::OnMsgTimeOut(const std::uint8_t* packet, std::uint32_t length) {
    UseGuard use(this);
    PacketHeader h;
    if (!ReadPacketHeader(packet, length, &h)) return;
    if (h.type == PKT_CALL_SETUP || h.type == PKT_CALL_HOLD) {
        Log(3, "Call setup timeout");
        if (!m_caller) m_active.store(false);
        DoCallDisconnect(kReasonSetupTimeout);
        PostEvent(kTalkSetupTimeout);
        m_active.store(false);
    } else if (h.type == PKT_CALL_ALERT) {
        int ringing = kAlertRinging;
        if (!m_alertEnd.compare_exchange_strong(ringing, kAlertTimedOut)) {
            Log(3, "Alert time-out after the answer: ignored");
            return;
        }
        Log(3, "Call alert timeout");
        DoCallDisconnect(kReasonNoAnswer);
        PostEvent(kTalkAlertTimeout);
        m_active.store(false);
    } else {
        Log(3, "Unknow msg timeout");
    }
}

void TalkServHandler::OnTimer() {
    UseGuard use(this);
    if (m_ending.load()) {
        Finish(); // the talk server did not close the link after the call ended
        return;
    }
    Log(3, "Tcp connect timeout");
    if (m_connected.load()) return;
    if (m_caller) {
        PostEvent(kTalkConnectTimeout);
        SetCallState(CALLSTATE_IDLE);
    }
    RecordCallEnded(kEndLinkLost, 0);
    m_active.store(false);
    Finish();
}

} // namespace orv
