#include "client/net/msg_handler.h"

#include "client/log/log.h"
#include "client/net/net_msg_thread.h"
#include "platform/system.h"
#include "platform/tick.h"
#include "tcplink/tcplink.h"
#include "udplink/udplink.h"
#include "wire/byte_reader.h"
#include "wire/ipv4_text.h"
#include "wire/packet_header.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

namespace orv {

std::atomic<std::uint32_t> LocalIP{0};
std::atomic<std::uint32_t> EndpointID{0};

namespace {

std::mutex g_timerLock;
std::shared_ptr<CTimerManager> g_timerManager;

constexpr int kKindRequest = 1;
constexpr int kSendScrambled = 2;

std::mutex g_lookupLock;
HostLookup g_hostLookup;

bool LookUpHost(const std::string& name, std::uint32_t* address) {
    HostLookup lookup;
    {
        std::lock_guard<std::mutex> lock(g_lookupLock);
        lookup = g_hostLookup;
    }
    return lookup ? lookup(name, address) : ResolveIPv4(name, address);
}

} // namespace

void InstallHostLookup(HostLookup lookup) {
    std::lock_guard<std::mutex> lock(g_lookupLock);
    g_hostLookup = std::move(lookup);
}

std::shared_ptr<CTimerManager> GetTimerManager() {
    std::lock_guard<std::mutex> lock(g_timerLock);
    return g_timerManager;
}

void CreateTimerManagerOnce() {
    std::lock_guard<std::mutex> lock(g_timerLock);
    if (!g_timerManager) g_timerManager = std::make_shared<CTimerManager>();
}

void InstallTimerManager(std::shared_ptr<CTimerManager> manager) {
    std::lock_guard<std::mutex> lock(g_timerLock);
    g_timerManager = std::move(manager);
}

void StopTimerManager() {
    std::shared_ptr<CTimerManager> manager;
    {
        std::lock_guard<std::mutex> lock(g_timerLock);
        manager.swap(g_timerManager);
    }
    // Callers that still hold the pointer keep the object alive; its thread ends here.
    if (manager) manager->Stop();
}

CMsgHandler::CMsgHandler() {
    CreateTimerManagerOnce();
    LocalIP.store(0);
    Create("MsgHandler");
}

CMsgHandler::~CMsgHandler() {
    if (m_linkId.load() != 0) CloseLink();
    RemoveAllPending();
    Destroy();
}

int CMsgHandler::OnTcpNotifyMsg(const void*, const void*) { return 0; }
int CMsgHandler::OnUdpNotifyMsg(const void*, const void*) { return 0; }
void CMsgHandler::OnMsgTimeOut(const std::uint8_t*, std::uint32_t) {}
void CMsgHandler::OnTimer() {}
int CMsgHandler::OnTalkServMsg(WPARAM, LPARAM) { return 0; }
int CMsgHandler::OnConfServMsg(WPARAM, LPARAM) { return 0; }

bool CMsgHandler::TakeUse() {
    std::int32_t count = m_useCount.load();
    while (count != 0) {
        if (m_useCount.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
}

void CMsgHandler::AddUse() {
    std::int32_t count = m_useCount.load();
    // Once the count has reached 0 it is never raised again.
    while (count != 0 && !m_useCount.compare_exchange_weak(count, count + 1)) {
    }
}

void CMsgHandler::ReleaseUse() {
    std::int32_t count = m_useCount.load();
    while (count != 0) {
        if (m_useCount.compare_exchange_weak(count, count - 1)) {
            if (count - 1 == 0) PostMessage(GetSafeHwnd(), WM_DELETE_HANDLER, 0, 0);
            return;
        }
    }
}

LRESULT CMsgHandler::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TALKSERV_MSG:
        return OnTalkServMsg(wParam, lParam);
    case WM_CONFSERV_MSG:
        return OnConfServMsg(wParam, lParam);
    case WM_DELETE_HANDLER:
        delete this; // posted when the last use was given back; we run on the creating thread
        return 0;
    default:
        return Window::WindowProc(message, wParam, lParam);
    }
}

bool CMsgHandler::CreateLink(int sockType, std::uint16_t localPort) {
    UseGuard use(this);
    if (m_linkId.load() != 0) {
        WriteLog(3, "The LinkID was in used");
        return false;
    }
    m_sockType.store(sockType);
    std::uint32_t link = 0;
    if (sockType == kSockStream) {
        link = TcpCreate("0.0.0.0", localPort);
    } else if (sockType == kSockDatagram) {
        link = UdpCreate("0.0.0.0", localPort, kSendScrambled);
    } else {
        WriteLog(3, "Socket Type Error");
        return false;
    }
    m_linkId.store(link);
    if (link == 0) return false;
    if (CNetMsgThread* net = GetNetMsgThread()) net->RegisterLink(link, this);
    return true;
}

int CMsgHandler::CloseLink() {
    UseGuard use(this);
    std::uint32_t link = m_linkId.load();
    int type = m_sockType.load();
    // Unregister first, so the closing events are not delivered to us.
    if (link != 0) {
        if (CNetMsgThread* net = GetNetMsgThread()) net->UnregisterLink(link, this);
    }
    int result = 0;
    if (type == kSockStream) {
        if (link != 0) result = TcpClose(link);
    } else if (type == kSockDatagram) {
        if (link != 0) result = UdpClose(link);
    } else if (link != 0) {
        WriteLog(3, "Socket Type Error");
    }
    m_linkId.store(0);
    m_sockType.store(kSockNone);
    return result;
}

bool CMsgHandler::SetServerAddr(const char* address, std::uint32_t port) {
    UseGuard use(this);
    if (address == nullptr || std::strlen(address) >= sizeof(m_serverAddr)) {
        WriteLog(3, "Set %s Server Addr Error, the Addr size is too long", m_handlerName.c_str());
        return false;
    }
    {
        std::lock_guard<CriticalSection> lock(m_csAddr);
        std::memset(m_serverAddr, 0, sizeof(m_serverAddr));
        std::memcpy(m_serverAddr, address, std::strlen(address));
        m_serverPort.store(port);
        m_lookupFailed = false;
    }
    WriteLog(3, "Set %s Server Addr %s:%d", m_handlerName.c_str(), address, static_cast<std::uint16_t>(port));
    std::string resolved;
    ResolveServerAddr(&resolved, true); // a name is looked up once, here, outside every lock
    return true;
}

bool CMsgHandler::SetServerAddr(std::uint32_t address, std::uint32_t port) {
    return SetServerAddr(DottedQuadOfNetworkOrder(address).c_str(), port);
}

std::string CMsgHandler::GetServerAddr() const {
    std::lock_guard<CriticalSection> lock(m_csAddr);
    return m_serverAddr;
}

int CMsgHandler::Connect() {
    UseGuard use(this);
    if (m_sockType.load() != kSockStream) {
        WriteLog(3, "Connect Error, SockType is invalid");
        return 0;
    }
    std::uint32_t link = m_linkId.load();
    if (TcpIsConnect(link) == 1) {
        WriteLog(3, "The Socket is already connected");
        return 0;
    }
    std::string address;
    if (!ResolveServerAddr(&address, true)) return 0;
    return TcpConnect(link, address.c_str(), GetServerPort());
}

void CMsgHandler::BuildHeader(std::uint8_t* packet, std::uint32_t length, std::uint16_t type,
                              std::uint32_t seqNum) {
    PacketHeader h;
    h.type = type;
    h.length = static_cast<std::uint16_t>(length);
    h.seqNum = seqNum != 0 ? seqNum : NextSeqNum();
    WritePacketHeader(packet, h);
}

std::uint32_t CMsgHandler::NextSeqNum() {
    std::lock_guard<CriticalSection> lock(m_csSeqNum);
    return m_seqNum++;
}

bool CMsgHandler::ResolveServerAddr(std::string* address, bool mayLookUp) {
    std::string name;
    {
        std::lock_guard<CriticalSection> lock(m_csAddr);
        if (IsDottedQuad(m_serverAddr)) {
            *address = m_serverAddr;
            return true;
        }
        if (!mayLookUp || m_serverAddr[0] == '\0' ||
            (m_lookupFailed && TickDiff(GetTickCount(), m_lookupFailedAt) < static_cast<std::int32_t>(kFailedLookupHoldMs))) {
            return false;
        }
        name = m_serverAddr;
    }
    std::uint32_t found = 0; // network byte order
    const bool resolved = LookUpHost(name, &found);
    std::lock_guard<CriticalSection> lock(m_csAddr);
    if (name != m_serverAddr) return false; // another address was set meanwhile
    if (!resolved) {
        if (!m_lookupFailed) WriteLog(3, "%s cannot look up %s", m_handlerName.c_str(), name.c_str());
        m_lookupFailed = true;
        m_lookupFailedAt = GetTickCount();
        return false;
    }
    // Kept as the address, so later sends skip the lookup and answers are matched against it.
    *address = DottedQuadOfNetworkOrder(found);
    std::snprintf(m_serverAddr, sizeof(m_serverAddr), "%s", address->c_str());
    return !address->empty();
}

int CMsgHandler::SendData(const std::uint8_t* packet, std::uint32_t length, bool pending, int retries,
                          std::uint32_t intervalMs, std::uint32_t delayMs) {
    UseGuard use(this);
    std::uint32_t link = m_linkId.load();
    if (link == 0) return 0;
    if (pending) AddPending(packet, length, retries, intervalMs, kKindRequest, delayMs);
    if (delayMs != 0) return 1; // the timer manager sends the first copy later
    return Transmit(packet, length, true);
}

int CMsgHandler::Transmit(const std::uint8_t* packet, std::uint32_t length, bool mayLookUp) {
    const std::uint32_t link = m_linkId.load();
    if (link == 0) return 0;
    if (m_sockType.load() == kSockDatagram) {
        std::string address;
        if (!ResolveServerAddr(&address, mayLookUp)) return 0;
        return UdpSendTo(link, packet, length, address.c_str(), GetServerPort(), kSendScrambled);
    }
    return TcpSend(link, packet, length, kSendScrambled);
}

void CMsgHandler::ReSendData(TimerEntry& entry) {
    UseGuard use(this);
    if (!entry.HasHeader()) return;
    std::uint32_t seqNum = NextSeqNum();
    entry.SetSeqNum(seqNum);
    WriteLog(3, "ReSendData SeqNum=%d, PktType=0x%04x, HandleName=%s", static_cast<int>(seqNum), entry.PktType(),
             m_handlerName.c_str());
    Transmit(entry.packet.data(), entry.Length(), false); // under the timer list lock: no lookup
}

void CMsgHandler::AddPending(const std::uint8_t* packet, std::uint32_t length, int retries,
                             std::uint32_t intervalMs, int kind, std::uint32_t delayMs) {
    if (auto timers = GetTimerManager())
        timers->AddTimer(packet, length, retries, intervalMs, static_cast<std::uint8_t>(kind), this, delayMs);
}

bool CMsgHandler::FindPending(std::uint32_t seqNum, std::uint16_t type, int matchFlags, bool remove,
                              std::vector<std::uint8_t>* copy) {
    auto timers = GetTimerManager();
    return timers && timers->FindTimers(this, seqNum, type, static_cast<std::uint32_t>(matchFlags), remove, copy);
}

void CMsgHandler::RemovePending(std::uint32_t seqNum, std::uint16_t type, int matchFlags, int kind) {
    if (auto timers = GetTimerManager())
        timers->RemoveTimers(this, seqNum, type, static_cast<std::uint32_t>(matchFlags), static_cast<std::uint8_t>(kind));
}

void CMsgHandler::RemoveAllPending() {
    if (auto timers = GetTimerManager()) timers->RemoveOwnerTimers(this);
}

int CMsgHandler::DispatchTcpEvent(const void* event, const void* detail) {
    if (event == nullptr) return 0;
    LinkEvent head;
    std::memcpy(&head, event, sizeof(head));
    switch (head.code) {
    case kLinkEventData: {
        if (detail == nullptr) return 0;
        TcpRecvInfo info;
        std::memcpy(&info, detail, sizeof(info));
        if (info.subCode != kTcpRecvArriving && info.length > m_longestMessage.load()) {
            DropOversizeFrame(info.length);
            return 0;
        }
        if (info.subCode != kTcpRecvComplete) return 0; // only whole messages count
        if (!CheckStreamMessage(info.buffer, info.length)) return 0;
        OnRecv(info.buffer, info.length);
        return 1;
    }
    case kLinkEventCreated: OnLinkCreated(); return 1;
    case kLinkEventClosed: OnLinkClosed(); return 1;
    case kLinkEventAccepted: WriteLog(3, "TCP Accept Event means something error."); return 0;
    case kLinkEventConnected: OnConnected(); return 1;
    case kLinkEventDisconnected: OnDisconnected(); return 1;
    default: return 0;
    }
}

void CMsgHandler::DropOversizeFrame(std::uint32_t length) {
    WriteLog(3, "%s closes its link: the server announced a %u-byte message", m_handlerName.c_str(), length);
    CloseLink(); // unregisters first: the link's own closing events do not reach us
    OnLinkClosed();
}

bool CMsgHandler::CheckStreamMessage(const std::uint8_t* message, std::size_t size) {
    if (message == nullptr) {
        WriteLog(3, "%s OnRecv Error(NULL RecvData Pointer)", m_handlerName.c_str());
        return false;
    }
    PacketHeader h;
    if (!ReadPacketHeader(message, size, &h) || h.length != size) {
        WriteLog(3, "%s OnRecv Error(Error Packet Size)", m_handlerName.c_str());
        return false;
    }
    return true;
}

int CMsgHandler::DoTCPKeepAlive() {
    UseGuard use(this);
    std::uint8_t packet[kPacketHeaderSize];
    BuildHeader(packet, sizeof(packet), 0, 0);
    WriteLog(3, "DoTCPKeepAlive");
    return SendData(packet, sizeof(packet), true, -1, 30000, 0);
}

} // namespace orv
