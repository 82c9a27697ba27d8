// CUserServHandler: construction and destruction, the receive path and its dispatch, and
// the time-out table. The session operations themselves are in user_serv_session.cpp.
#include "client/userserver/user_serv_handler.h"
#include "client/account/acct_serv_handler.h"

#include "client/log/log.h"
#include "client/text/text_table.h"
#include "client/userserver/user_serv_config.h"
#include "platform/tick.h"
#include "udplink/udplink.h"

#include <cstring>
#include <mutex>

namespace orv {

namespace {
// The texts of a handler created without the client's table (tests, tools).
const TextTable& BuiltInTexts() {
    static const TextTable* texts = [] {
        auto* table = new TextTable;
        table->Fill();
        return table;
    }();
    return *texts;
}
} // namespace

CUserServHandler::CUserServHandler(ClientConfig& config, CallRecordList* records, const TextTable* texts)
    : m_config(config), m_records(records), m_friends(texts ? *texts : BuiltInTexts()),
      m_tick([] { return GetTickCount(); }) {
    SetHandlerName("UserServHandler");
    if (UserServAutoAlloc(m_config)) {
        bool ok = CreateLink(kSockDatagram, 0);
        WriteLog(3, "UserServHandler Auto Alloc UDP %s", ok ? "Success" : "Failed");
    } else {
        bool ok = CreateLink(kSockDatagram, UserServLocalPort(m_config));
        WriteLog(3, "UserServHandler Manual Alloc UDP %s", ok ? "Success" : "Failed");
    }
}

CUserServHandler::~CUserServHandler() {
    DetachCallOwner(this); // calls still running stop asking this session
    AwaitLoginAnswer();
    DoLogout();
    // Nothing may call back into this object once its own members start going away: stop
    // the timer thread, then take the link out of the network thread's map.
    StopTimerManager();
    CloseLink();
    {
        std::lock_guard<CriticalSection> lock(m_csAccount);
        if (m_acctServ != nullptr) m_acctServ->Release();
        m_acctServ = nullptr;
    }
    ReleaseUpdateHandler();
    WriteLog(3, "UserServHandler destruct");
}

bool CUserServHandler::SetLoginInfo(const char* number, const char* password) {
    UseGuard use(this);
    if (number == nullptr || password == nullptr) return false;
    if (std::strlen(number) >= kNumberField || std::strlen(password) >= kPasswordField) return false;
    std::lock_guard<CriticalSection> lock(m_csLogin);
    PutTextField(reinterpret_cast<std::uint8_t*>(m_number), kNumberField, number);
    PutTextField(reinterpret_cast<std::uint8_t*>(m_password), kPasswordField, password);
    return true;
}

std::string CUserServHandler::GetUserNumber() const {
    std::lock_guard<CriticalSection> lock(m_csLogin);
    return std::string(m_number, strnlen(m_number, kNumberField));
}

CustomInfo CUserServHandler::GetCustomInfo() const {
    std::lock_guard<CriticalSection> lock(m_csLogin);
    return m_customInfo;
}

void CUserServHandler::AddRecvHook(RecvHook hook) {
    std::lock_guard<CriticalSection> lock(m_csHooks);
    m_recvHooks.push_back(std::move(hook));
}

void CUserServHandler::Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd != 0) PostMessage(hwnd, message, wParam, lParam);
}

int CUserServHandler::OnUdpNotifyMsg(const void* event, const void* detail) {
    UseGuard use(this);
    if (event == nullptr) return 0;
    LinkEvent head;
    std::memcpy(&head, event, sizeof(head));
    if (head.code != kLinkEventData) return 0; // only data events count
    if (detail == nullptr) {
        WriteLog(3, "CUserServHandler OnUdpNotifyMsg Error(NULL RecvData Pointer)");
        return 0;
    }
    UdpRecvInfo info;
    std::memcpy(&info, detail, sizeof(info));
    // Only the server steers the session: the entry server while it is asked for the user
    // server, the user server after that. Anyone else's datagram is dropped unread.
    std::string from(info.address, strnlen(info.address, sizeof(info.address)));
    if (from != GetServerAddr() || info.port != GetServerPort()) {
        WriteLog(3, "CUserServHandler OnUdpNotifyMsg Error(Packet from %s:%d, not the server)", from.c_str(),
                 static_cast<int>(info.port));
        return 1;
    }
    OnRecvPacket(static_cast<const std::uint8_t*>(info.data), info.length);
    return 1;
}

void CUserServHandler::OnRecvPacket(const std::uint8_t* data, std::size_t size) {
    UseGuard use(this);
    if (data == nullptr) {
        WriteLog(3, "CUserServHandler OnUdpNotifyMsg Error(NULL RecvData Pointer)");
        return;
    }
    PacketHeader header;
    if (!ReadPacketHeader(data, size, &header) || header.length != size) {
        WriteLog(3, "CUserServHandler OnUdpNotifyMsg Error(Error Packet Size)");
        return;
    }
    {
        std::lock_guard<CriticalSection> lock(m_csHooks);
        for (const RecvHook& hook : m_recvHooks) {
            int verdict = hook(header, data, size);
            if (verdict != 0) return; // 1 consumed, -1 dropped
        }
    }
    Dispatch(header, data + kPacketHeaderSize, size - kPacketHeaderSize);
}

void CUserServHandler::Dispatch(const PacketHeader& h, const std::uint8_t* body, std::size_t bodySize) {
    switch (h.type) {
    case PKT_WANT_RELOGON: OnWantRelogon(); break;
    case PKT_LOGIN: OnLoginAck(h, body, bodySize); break;
    case PKT_LOGOUT: OnLogout(body, bodySize); break;
    case PKT_KEEPALIVE: OnKeepAliveAck(h, body, bodySize); break;
    case PKT_NAT_DETECT: OnNatDetect(h.seqNum); break;
    case PKT_CUSTOM_INFO: OnQueryCustomInfoAck(h, body, bodySize); break;
    case PKT_QUERY_SVR_IPPORT: OnQuerySvrIPPortAck(h, body, bodySize); break;
    case PKT_FRIEND_INDEX: OnGetFriendIndexAck(h, body, bodySize); break;
    case PKT_FRIEND_DETAIL: OnGetFriendDetailAck(h, body, bodySize); break;
    case PKT_SET_FRIEND: OnSetFriendInfoAck(h, body, bodySize); break;
    case PKT_DEL_FRIEND: OnDelFriendInfoAck(h, body, bodySize); break;
    case PKT_FRIEND_STATUS: OnFriendStatus(body, bodySize); break;
    case PKT_OFFLINE_CALLS: OnGetOfflineCallAck(h, body, bodySize); break;
    case PKT_GET_FORWARD: OnGetForwardInfoAck(h, body, bodySize); break;
    case PKT_SET_FORWARD: OnSetForwardInfoAck(h, body, bodySize); break;
    case PKT_SET_PASSWORD: OnSetPwdAck(h, body, bodySize); break;
    case PKT_SUPPORT_INFO: OnGetSupportInfoAck(h, body, bodySize); break;
    case PKT_SET_BIND_OPT: OnSetBindIDOptAck(h, body, bodySize); break;
    case PKT_QUERY_BIND_OPT: OnQueryBindIDOptAck(h, body, bodySize); break;
    case PKT_FILE_UPDATE_QUERY: OnFileUpdateQueryAck(h, body, bodySize); break;
    case PKT_ACCOUNT_SERVER: OnAccountServQueryAck(h, body, bodySize); break;
    case PKT_TALK_ESTABLISH: OnTalkEstablish(h, body, bodySize); break;
    case PKT_CONF_ESTABLISH: OnConfEstablish(h, body, bodySize); break;
    case PKT_CONF_INVITE_ACK: OnConfInviteAck(h, body, bodySize); break;
    default:
        WriteLog(3, "CUserServHandler OnUdpNotifyMsg Error(Unknow Packet Type=0x%04x)", h.type);
        break;
    }
}

namespace {

struct TimeOutRule {
    std::uint16_t type;
    const char* text;
    enum Target { None, Logon, Main, Conf } target;
};

constexpr TimeOutRule kTimeOutRules[] = {
    {PKT_LOGIN, "Login Timeout", TimeOutRule::Logon},
    {PKT_KEEPALIVE, "KeepAlive Timeout", TimeOutRule::Main},
    {PKT_QUERY_SVR_IPPORT, "Query Svr IPPort Timeout", TimeOutRule::Logon},
    {PKT_FILE_UPDATE_QUERY, "File Update Query Timeout", TimeOutRule::Logon},
    {PKT_ACCOUNT_SERVER, "Account server request timeout", TimeOutRule::Main},
    {PKT_TALK_REQUEST, "TalkRequest Timeout", TimeOutRule::Main},
    {PKT_CONF_REQUEST, "ConfRequest Timeout", TimeOutRule::Conf},
    {PKT_CONF_INVITE, "ConfInvite Timeout", TimeOutRule::Conf},
    {PKT_FRIEND_INDEX, "GetFriendInfo Timeout", TimeOutRule::None},
    {PKT_FRIEND_DETAIL, "GetFriendDetailInfo", TimeOutRule::None},
    {PKT_SET_FRIEND, "SetFriendInfo Timeout", TimeOutRule::None},
    {PKT_DEL_FRIEND, "DelFriendInfo Timeout", TimeOutRule::None},
    {PKT_CUSTOM_INFO, "QueryBMSURL Timeout", TimeOutRule::None},
};

} // namespace

void CUserServHandler::OnMsgTimeOut(const std::uint8_t* packet, std::uint32_t length) {
    UseGuard use(this);
    PacketHeader h;
    if (!ReadPacketHeader(packet, length, &h)) return;
    const TimeOutRule* rule = nullptr;
    for (const TimeOutRule& r : kTimeOutRules)
        if (r.type == h.type) rule = &r;
    if (rule == nullptr) {
        WriteLog(3, "Timeout Unknow Packet Type(0x%04x)", h.type);
        return;
    }
    WriteLog(3, "%s", rule->text);
    if (h.type == PKT_TALK_REQUEST) OnTalkRequestTimeout(packet, length);
    if (h.type == PKT_CONF_REQUEST) OnConfRequestTimeout();
    HWND target = 0;
    if (rule->target == TimeOutRule::Logon) target = m_logonWnd.load();
    if (rule->target == TimeOutRule::Main) target = m_mainWnd.load();
    if (rule->target == TimeOutRule::Conf) target = m_confWnd.load();
    if (target == 0) return;
    // The receiving window owns the copy and frees it with delete[].
    auto* copy = new std::uint8_t[length];
    std::memcpy(copy, packet, length);
    if (!PostMessage(target, WM_SERVER_FAILURE, h.type, reinterpret_cast<LPARAM>(copy))) delete[] copy;
}

} // namespace orv
