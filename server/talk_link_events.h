// Hands a talk-protocol stream link's data and end to its server: the talk server and the
// conference server frame their links alike.
#pragma once

#include "server/talk_packets.h"
#include "tcplink/tcplink.h"

#include <cstdint>

namespace orv {

template <class Server>
void DispatchTalkLinkEvent(Server& server, const LinkEvent& event, const void* detail, std::uint32_t now) {
    switch (event.code) {
    case kLinkEventData: {
        const auto* info = static_cast<const TcpRecvInfo*>(detail);
        if (info == nullptr) break;
        if (info->length > kLongestTalkMessage && info->subCode != kTcpRecvArriving) {
            server.OnOversizeFrame(event.link, info->length);
        } else if (info->subCode == kTcpRecvComplete && info->buffer != nullptr) {
            server.OnMessage(event.link, info->buffer, info->length, now);
        }
        break;
    }
    case kLinkEventDisconnected:
    case kLinkEventClosed: server.OnLinkGone(event.link, now); break;
    default: break;
    }
}

} // namespace orv
