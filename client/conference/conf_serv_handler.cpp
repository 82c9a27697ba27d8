#include "client/conference/conf_serv_handler.h"

#include "client/conference/conf_events.h"
#include "client/log/log.h"

namespace orv {

TalkEstablish TalkEstablishOf(const ConfEstablish& n) {
    TalkEstablish t;
    t.result = n.result;
    t.callId = n.callId;
    t.reason = n.reason;
    t.callingNumber = n.chairman;
    t.calledNumber = n.invited;
    t.role = n.role == kRoleChairman ? kRoleCaller : kRoleCalled;
    t.servId = n.servId;
    t.talkServIP = n.servIP;
    t.talkServPort = n.servPort;
    return t;
}

ConfServHandler::ConfServHandler(const std::string& callerId, const std::string& calledId,
                                 const std::string& originalId, CallOwner* owner, const ConfEstablish& notice,
                                 HWND remoteVideoWindow, bool videoSend)
    : TalkServHandler(callerId, calledId, originalId, owner, TalkEstablishOf(notice), remoteVideoWindow, videoSend) {
    SetHandlerName(kConfHandlerName);
    // The seat status is the longest message a conference server sends.
    SetLongestMessage(static_cast<std::uint32_t>(kConfStatusSize));
    // The chairman's events go to the conference window from the start, an invited
    // member's once it answered.
    m_confConnected.store(IsCaller());
}

int ConfServHandler::DoConfCmd(std::uint8_t cmdType, std::uint16_t relatedId) {
    UseGuard use(this);
    if (EndpointID.load() == 0) {
        WriteLog(3, "DoConfCmd Local EndpointID=0, means not registered");
        return 0;
    }
    WriteLog(3, "DoConfCmd CmdType=%d, RelatedID=%d", cmdType, relatedId);
    if (cmdType == kConfCmdVideoRequest || cmdType == kConfCmdVideoCancel) {
        const std::uint32_t endpoint = m_seats.EndpointOf(relatedId);
        if (endpoint != 0 && !AssignVideoStream(endpoint, cmdType == kConfCmdVideoRequest))
            Log(3, "DoConfCmd no video channel for EPId=%u", endpoint);
    }
    return SendPacket(BuildConfCmd(0, GetCallID(), cmdType, relatedId), false, 0, 0, 0);
}

int ConfServHandler::DoConfDTMF(std::uint16_t channel, const std::string& digits) {
    UseGuard use(this);
    if (EndpointID.load() == 0) {
        Log(3, "DoCallDTMF Local EndpointID=0, means not registered");
        return 0;
    }
    int sent = 1;
    for (std::size_t at = 0; at < digits.size() && sent != 0; at += kConfDtmfDigits) {
        const std::string part = digits.substr(at, kConfDtmfDigits);
        Log(3, "DoConfDTMF num=%s, channel=%d", part.c_str(), channel);
        sent = SendPacket(BuildConfDtmf(0, GetCallID(), channel, part), false, 0, 0, 0);
    }
    return digits.empty() ? 0 : sent;
}

bool ConfServHandler::DispatchOther(const PacketHeader& h, const std::uint8_t* message, std::size_t size) {
    if (message == nullptr) {
        WriteLog(3, "OnConfMsg Error NULL pointer");
        return true;
    }
    switch (h.type) {
    case kPktConfStatus: OnConfStatus(message, size); break;
    case kPktConfAlert:
    case kPktConfConnect:
    case kPktConfDisconnect:
    case kPktConfMemberInvite: OnConfMember(h.type, message, size); break;
    case kPktConfNoAction: break;
    default: WriteLog(3, "Unknow Conf Message type=0x%04x", h.type); break;
    }
    return true;
}

void ConfServHandler::OnConfStatus(const std::uint8_t* message, std::size_t size) {
    std::array<ConfSeatEntry, kConfSeats> seats;
    if (!ParseConfStatus(message, size, &seats)) {
        Log(3, "OnConfStatus Error(Error Packet Size)");
        return;
    }
    WriteLog(3, "OnConfStatus");
    const std::uint32_t own = EndpointID.load();
    for (int i = 0; i < kConfSeats; ++i) {
        m_seats.SetFromStatus(i, seats[i]);
        if (seats[i].endpoint != own) PostEventBlock(kConfEventStatus, NewConfEventBlock(kConfEventStatus, seats[i]));
    }
}

void ConfServHandler::OnConfMember(std::uint16_t type, const std::uint8_t* message, std::size_t size) {
    ConfSeatEntry m;
    if (!ParseConfMember(type, message, size, &m)) {
        Log(3, "OnConfMsg Error(Error Packet Size) type=0x%04x", type);
        return;
    }
    const bool chairman = IsCaller();
    switch (type) {
    case kPktConfMemberInvite:
        WriteLog(3, "ConfInvite EPId=%d, Num=%s", static_cast<int>(m.endpoint), m.number.c_str());
        if (m_seats.ByInvite(m) && chairman) PostEventBlock(kConfEventInvite, NewConfEventBlock(kConfEventInvite, m));
        break;
    case kPktConfAlert:
        WriteLog(3, "ConfAlert EPId=%d, Num=%s", static_cast<int>(m.endpoint), m.number.c_str());
        if (m_seats.ByAlert(m) && chairman) PostEventBlock(kConfEventAlert, NewConfEventBlock(kConfEventAlert, m));
        break;
    case kPktConfConnect:
        WriteLog(3, "OnConfConnect EPId=%d, Num=%s, ChannelID=%d", static_cast<int>(m.endpoint), m.number.c_str(),
                 m.channel);
        if (m_seats.ByConnect(m)) {
            if (chairman) RecordMember(m.number, false, 0);
            PostEventBlock(kConfEventConnect, NewConfEventBlock(kConfEventConnect, m));
        }
        break;
    case kPktConfDisconnect:
        WriteLog(3, "OnConfDisconnect EPId=%d, Num=%s, Reason=%ld", static_cast<int>(m.endpoint), m.number.c_str(),
                 static_cast<long>(m.reason));
        if (m_seats.ByDisconnect(m, chairman)) {
            if (chairman) RecordMember(m.number, true, static_cast<std::int32_t>(m.reason));
            PostEventBlock(kConfEventDisconnect, NewConfEventBlock(kConfEventDisconnect, m));
            AssignVideoStream(m.endpoint, false);
        }
        break;
    default: break;
    }
}

} // namespace orv
