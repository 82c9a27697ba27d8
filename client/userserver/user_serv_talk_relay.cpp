// The talk side's small pieces: the dialled-text rule, the talk request body, and relaying
// the call handlers' events to the front-end under its call-progress codes.
#include "client/log/log.h"
#include "client/conference/conf_events.h"
#include "client/userserver/user_serv_handler.h"
#include "client/userserver/user_serv_talk.h"

namespace orv {

namespace {

constexpr int kNotRelayed = -1;
constexpr int kUnknown = -2;

} // namespace

std::string DialledNumber(const std::string& dialled) { return dialled.substr(0, dialled.find('*')); }

std::string DialledExtension(const std::string& dialled) {
    std::size_t star = dialled.find('*');
    return star == std::string::npos ? std::string() : dialled.substr(star + 1);
}

std::vector<std::uint8_t> BuildTalkRequest(const std::string& ownNumber, const std::string& calledNumber) {
    std::vector<std::uint8_t> packet(kTalkRequestSize, 0);
    PacketHeader h;
    h.type = PKT_TALK_REQUEST;
    h.length = static_cast<std::uint16_t>(kTalkRequestSize);
    WritePacketHeader(packet.data(), h);
    PutTextField(packet.data() + 8, kNumberField, ownNumber.c_str());
    PutTextField(packet.data() + 8 + kNumberField, kNumberField, calledNumber.c_str());
    return packet;
}

int RelayedTalkCode(int code) {
    switch (code) {
    case 1: case 5: case 6: return kNotRelayed;
    case 2: return 11;
    case 3: return 12;
    case 4: return 13;
    case 7: return 6;
    case 8: return 5;
    case 9: return 7;
    case 10: return 8;
    case 11: return 4;
    case 12: return 3;
    case 13: return 9;
    case 14: return 10;
    case 22: return 23;
    case 23: return 24;
    default: return kUnknown;
    }
}

int RelayedConfCode(int code) {
    switch (code) {
    case 15: return 16;
    case 16: return 18;
    case 17: return 19;
    case 18: return 20;
    case 19: return 21;
    case 20: return 22;
    case 21: return 15;
    case 22: case 23: return kUnknown;
    default: return RelayedTalkCode(code);
    }
}

// Only the disconnect reason, the hold reason and the pause byte carry a value.
static LPARAM RelayedValue(int code, LPARAM value) {
    return (code == 12 || code >= 15) ? value : 0;
}

int CUserServHandler::OnTalkServMsg(WPARAM code, LPARAM value) {
    UseGuard use(this);
    if (EndpointID.load() == 0) WriteLog(3, "Local EndpointID=0, means not registered");
    int relayed = RelayedTalkCode(static_cast<int>(code));
    if (relayed == kUnknown) {
        WriteLog(3, "Unknow TalkServ Msg");
        return 0;
    }
    if (relayed == kNotRelayed) return 0;
    Post(m_mainWnd.load(), WM_CALL_PROGRESS, static_cast<WPARAM>(relayed), RelayedValue(static_cast<int>(code), value));
    return 1;
}

int CUserServHandler::OnConfServMsg(WPARAM code, LPARAM value) {
    UseGuard use(this);
    if (EndpointID.load() == 0) WriteLog(3, "Local EndpointID=0, means not registered");
    int relayed = RelayedConfCode(static_cast<int>(code));
    // The seat events carry a heap block that the conference window frees; whatever does not
    // reach it is freed here.
    const bool block = ConfEventHasBlock(static_cast<int>(code));
    if (relayed == kUnknown) WriteLog(3, "Unknow ConfServ Msg");
    const HWND target = m_confWnd.load();
    if (relayed == kUnknown || relayed == kNotRelayed || target == 0 ||
        !PostMessage(target, WM_CALL_PROGRESS, static_cast<WPARAM>(relayed),
                     RelayedValue(static_cast<int>(code), value))) {
        if (block) delete[] reinterpret_cast<std::uint8_t*>(value);
        return 0;
    }
    return 1;
}

} // namespace orv
