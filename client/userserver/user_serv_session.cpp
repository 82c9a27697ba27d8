// The logon session: locating the user server, logging on, keeping the registration alive
// at a third of the server's TTL, re-logon demand, NAT echo, forced logout, logout, and
// the custom-information answer that completes a logon.
#include "client/log/log.h"
#include "client/userserver/user_serv_common.h"
#include "client/userserver/user_serv_config.h"
#include "client/userserver/user_serv_handler.h"
#include "platform/system.h"
#include "platform/tick.h"

#include <arpa/inet.h>
#include <mutex>

namespace {
// How long the end waits for the answer to a login request already sent.
constexpr std::uint32_t kLoginAnswerWaitMs = 2000;
} // namespace

namespace orv {

namespace {

// The keep-alive period never goes below this on a re-logon demand.
constexpr std::uint32_t kRelogonFloorMs = 30000;
// Bounds of a period derived from the server's TTL: a hostile or broken TTL can neither make
// the client send keep-alives back to back nor stop them for weeks.
constexpr std::uint32_t kMinPeriodMs = 1000;
constexpr std::uint64_t kMaxPeriodMs = 24ull * 3600 * 1000;

// IPv4 addresses of this machine's interfaces, first octet most significant. Loopback is
// left out: the server can do nothing with it.
std::vector<std::uint32_t> LoginAddresses() {
    std::vector<std::uint32_t> out;
    for (const LocalAddress& a : LocalIPv4Addresses()) {
        std::uint32_t host = ntohl(a.address);
        if ((host >> 24) == 127) continue;
        out.push_back(host);
    }
    return out;
}

} // namespace

int CUserServHandler::DoGetInfoRequest(std::uint16_t type, int retries, std::uint32_t delayMs) {
    UseGuard use(this);
    std::uint8_t packet[kPacketHeaderSize];
    BuildHeader(packet, sizeof(packet), type, 0);
    WriteLog(3, "DoGetInfoRequest, PktType=0x%04x", type);
    return SendData(packet, sizeof(packet), true, retries, kRequestIntervalMs, delayMs);
}

int CUserServHandler::QuerySvrIPPort(int retries) {
    UseGuard use(this);
    m_logonRetries.store(retries);
    return DoGetInfoRequest(PKT_QUERY_SVR_IPPORT, retries, 0);
}

void CUserServHandler::OnQuerySvrIPPortAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    ServerAddressAnswer answer;
    if (!ParseServerAddressAnswer(body, size, &answer)) {
        WriteLog(3, "OnQuerySvrIPPortAck Error(NULL Pointer)");
        return;
    }
    if (!FindPending(h.seqNum, h.type, 3, true)) {
        WriteLog(3, "Get QuerySvrIPPort Packet, But it has wrong Packet ID=%ld", static_cast<long>(h.seqNum));
        return;
    }
    SetServerAddr(answer.address, answer.port);
    DoLogin(m_logonRetries.load());
}

int CUserServHandler::DoLogin(int retries) {
    UseGuard use(this);
    std::string bindInfo = FormatBindInfo(m_bindValue.load());
    std::vector<std::uint8_t> packet;
    {
        std::lock_guard<CriticalSection> lock(m_csLogin);
        packet = BuildLoginRequest(m_number, m_password, bindInfo, LoginAddresses());
        WriteLog(3, "DoLogin ID=%s, PWD=%s, BindInfo=%s, UserServ=%s:%d", GetUserNumber().c_str(), kHiddenSecret,
                 bindInfo.c_str(), GetServerAddr().c_str(), static_cast<int>(GetServerPort()));
    }
    BuildHeader(packet.data(), static_cast<std::uint32_t>(packet.size()), PKT_LOGIN, 0);
    m_loginAnswered.Reset();
    int sent = SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), true, retries,
                        kRequestIntervalMs, 0);
    m_progress.store(kAwaitKeepAlive | kAwaitCustomInfo);
    return sent;
}

void CUserServHandler::OnLoginAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    m_loginAnswering.store(true);
    struct Answered { // on every way out
        CUserServHandler& self;
        bool ours = false;
        ~Answered() {
            self.m_loginAnswering.store(false);
            if (ours) self.m_loginAnswered.Set();
        }
    } answered{*this};
    ResultAnswer answer;
    bool parsed = ParseResultAnswer(body, size, &answer);
    if (!parsed) WriteLog(3, "OnLoginAck Error(NULL Pointer)");
    if (!FindPending(h.seqNum, h.type, 3, true)) {
        WriteLog(3, "Get LoginAck Packet, But it has wrong Packet ID=%ld", static_cast<long>(h.seqNum));
        return;
    }
    answered.ours = true;
    EndpointID.store(0);
    if (parsed && answer.result == kResultSuccess && answer.value != 0) {
        WriteLog(3, "Login Success EndpointID=%ld", static_cast<long>(answer.value));
        EndpointID.store(answer.value);
        DoKeepAlive(-1, kRequestIntervalMs, 0);
        for (std::uint16_t type : {PKT_FRIEND_INDEX, PKT_CUSTOM_INFO, PKT_OFFLINE_CALLS, PKT_GET_FORWARD,
                                   PKT_SUPPORT_INFO, PKT_QUERY_BIND_OPT})
            DoGetInfoRequest(type, kInfoRetries, 0);
        NotifyRecordsLogon(m_records, GetUserNumber());
    } else if (parsed && answer.result == kResultFailure) {
        WriteLog(3, "Login Failed Reason=%ld", static_cast<long>(answer.reason));
        Post(m_logonWnd.load(), WM_LOGON_RESULT, kResultFailure, answer.reason);
    } else {
        // The request is answered but the answer cannot be used (short, an unknown result,
        // success without an EndpointID): the logon ends here, it would wait for ever.
        if (parsed && answer.result != kResultSuccess) WriteLog(3, "OnLoginAck Error(Unknow Operate_Return)");
        if (parsed && answer.result == kResultSuccess) WriteLog(3, "OnLoginAck Error(EndpointID=0)");
        Post(m_logonWnd.load(), WM_LOGON_RESULT, kLogonAnswerInvalid, parsed ? answer.result : 0);
    }
}

void CUserServHandler::CancelLogin() {
    UseGuard use(this);
    WriteLog(3, "Login was Canceled");
    EndpointID.store(0);
    RemoveAllPending();
    m_progress.store(kAwaitKeepAlive | kAwaitCustomInfo);
    m_friends.ClearFriends();
}

int CUserServHandler::DoKeepAlive(int retries, std::uint32_t intervalMs, std::uint32_t delayMs) {
    UseGuard use(this);
    std::uint32_t endpoint = EndpointID.load();
    if (endpoint == 0) {
        LogNotRegistered("DoKeepAlive");
        return 0;
    }
    std::uint8_t packet[kPacketHeaderSize + 4];
    BuildHeader(packet, sizeof(packet), PKT_KEEPALIVE, 0);
    PutU32LE(packet + kPacketHeaderSize, endpoint);
    if (delayMs == 0) WriteLog(3, "DoKeepAlive EndpointID=%ld", static_cast<long>(endpoint));
    return SendData(packet, sizeof(packet), true, retries, intervalMs, delayMs);
}

void CUserServHandler::OnKeepAliveAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    ResultAnswer answer;
    if (!ParseResultAnswer(body, size, &answer)) {
        WriteLog(3, "OnKeepAliveAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnKeepAliveAck");
        return;
    }
    if (!FindPending(h.seqNum, h.type, 3, true)) {
        WriteLog(3, "Get KeepAliveAck Packet, But Something seems Error in Local Packet list");
        return;
    }
    if (answer.result == kResultFailure) {
        WriteLog(3, "KeepAlive Failed Reason=%ld", static_cast<long>(answer.reason));
        return;
    }
    if (answer.result != kResultSuccess) {
        WriteLog(3, "OnKeepAliveAck Error(Unknow Operate_Return)");
        return;
    }
    m_lastKeepAliveTick.store(m_tick());
    WriteLog(3, "KeepAlive Success TTL=%ld s", static_cast<long>(answer.value));
    // A third of the server's TTL; the period only ever shrinks by itself.
    std::uint64_t third = static_cast<std::uint64_t>(answer.value) * 1000 / 3;
    auto p = static_cast<std::uint32_t>(std::min(std::max<std::uint64_t>(third, kMinPeriodMs), kMaxPeriodMs));
    std::uint32_t stored = KeepAlivePeriod();
    if (stored == 0 || stored > p) StoreKeepAlivePeriod(p);
    std::uint32_t d = KeepAlivePeriod();
    DoKeepAlive(static_cast<int>(d / kRequestIntervalMs + 1), kRequestIntervalMs, d);
    ClearProgressBit(kAwaitKeepAlive);
}

bool CUserServHandler::KeepAliveCurrent() const {
    if (EndpointID.load() == 0 || (m_progress.load() & kAwaitKeepAlive) != 0) return false;
    return m_tick() - m_lastKeepAliveTick.load() <= KeepAlivePeriod() + kRequestIntervalMs;
}

bool CUserServHandler::KeepAliveLost() const {
    if (EndpointID.load() == 0 || (m_progress.load() & kAwaitKeepAlive) != 0) return false;
    return m_tick() - m_lastKeepAliveTick.load() > KeepAlivePeriod() + 2 * kRequestIntervalMs;
}

void CUserServHandler::ClearProgressBit(int bit) {
    int before = m_progress.fetch_and(~bit);
    if ((before & bit) != 0 && (before & ~bit) == 0) Post(m_logonWnd.load(), WM_LOGON_RESULT, 0, 0);
}

void CUserServHandler::OnWantRelogon() {
    WriteLog(3, "Want Relogon");
    std::uint32_t period = KeepAlivePeriod();
    std::uint32_t since = m_tick() - m_lastKeepAliveTick.load();
    if (since < period + 3000) {
        // The server expired us although we kept the period: it was too long for it.
        if (period > kRelogonFloorMs) period = std::max(period - 5000, kRelogonFloorMs);
        StoreKeepAlivePeriod(period);
        WriteLog(3, "Reset TTL=%ds", static_cast<int>(period / 1000));
    }
    EndpointID.store(0);
    RemoveAllPending();
    Post(m_mainWnd.load(), WM_SERVER_FAILURE, PKT_WANT_RELOGON, 0);
}

void CUserServHandler::OnNatDetect(std::uint32_t seqNum) {
    std::uint32_t endpoint = EndpointID.load();
    if (endpoint == 0) {
        LogNotRegistered("OnNatDetect");
        return;
    }
    WriteLog(3, "OnNATDect EndpointID=%ld", static_cast<long>(endpoint));
    // The echo carries the server's own number, whatever it is (0 included).
    std::uint8_t packet[kPacketHeaderSize + 4];
    WritePacketHeader(packet, PacketHeader{PKT_NAT_DETECT, sizeof(packet), seqNum});
    PutU32LE(packet + kPacketHeaderSize, endpoint);
    SendData(packet, sizeof(packet), false, 0, 0, 0);
}

void CUserServHandler::OnLogout(const std::uint8_t* body, std::size_t size) {
    LogoutNotice notice;
    if (!ParseLogoutNotice(body, size, &notice)) {
        WriteLog(3, "OnLogout Error(NULL Pointer)");
        return;
    }
    std::uint32_t endpoint = EndpointID.load();
    if (endpoint == 0) {
        LogNotRegistered("OnLogout");
        return;
    }
    if (notice.endpointId != endpoint)
        WriteLog(3, "OnLogout, EndpointID=%d, not me", static_cast<int>(notice.endpointId));
    EndpointID.store(0);
    Post(m_mainWnd.load(), WM_FORCED_LOGOUT, notice.code, 0);
    WriteLog(3, "OnLogout");
    RemoveAllPending();
}

void CUserServHandler::AwaitLoginAnswer() {
    if (EndpointID.load() != 0) return;
    // The pending request first: an answer marks itself before it takes the request away.
    if (!FindPending(0, PKT_LOGIN, CTimerManager::kMatchPktType, false) && !m_loginAnswering.load()) return;
    if (!m_loginAnswered.Wait(kLoginAnswerWaitMs)) WriteLog(3, "Login unanswered at the end: no logout to send");
}

int CUserServHandler::DoLogout() {
    UseGuard use(this);
    std::uint32_t endpoint = EndpointID.load();
    if (endpoint == 0) {
        LogNotRegistered("DoLogout");
        return 0;
    }
    WriteLog(3, "DoLogout EPID=%ld", static_cast<long>(endpoint));
    std::uint8_t packet[kPacketHeaderSize + 8];
    BuildHeader(packet, sizeof(packet), PKT_LOGOUT, 0);
    PutU32LE(packet + kPacketHeaderSize, endpoint);
    PutU32LE(packet + kPacketHeaderSize + 4, 1);
    return SendData(packet, sizeof(packet), false, 0, 0, 0);
}

void CUserServHandler::OnQueryCustomInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    CustomInfo info;
    if (!ParseCustomInfo(body, size, &info)) {
        WriteLog(3, "OnQueryCustomInfoAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnQueryCustomInfoAck");
        return;
    }
    if (!FindPending(h.seqNum, h.type, 2, true)) {
        WriteLog(3, "Get CustomInfo Packet, But Something seems Error in Local Packet list");
        return;
    }
    WriteLog(3, "Get CustomInfo Info Success CustomID=%ld, CustomName=%s, BMSURL=%s",
             static_cast<long>(info.customId), info.customName.c_str(), info.bmsUrl.c_str());
    {
        std::lock_guard<CriticalSection> lock(m_csLogin);
        m_customInfo = info;
    }
    ClearProgressBit(kAwaitCustomInfo);
}

std::uint32_t CUserServHandler::KeepAlivePeriod() const { return GetKeepAlivePeriod(m_config); }

void CUserServHandler::StoreKeepAlivePeriod(std::uint32_t periodMs) { orv::StoreKeepAlivePeriod(m_config, periodMs); }

} // namespace orv
