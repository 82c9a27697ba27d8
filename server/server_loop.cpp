#include "server/server_loop.h"

#include "platform/paths.h"
#include "platform/system.h"
#include "platform/tick.h"
#include "server/account_admin.h"
#include "server/update_admin.h"
#include "server/admin_commands.h"
#include "server/server_log.h"
#include "server/udp_port_bind.h"
#include "udplink/udplink.h"
#include "wire/byte_order.h"
#include "wire/ipv4_text.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <thread>

namespace orv {

namespace {

constexpr UINT kMsgAdminLine = WM_USER + 1; // lParam: heap std::string, owned by the receiver
constexpr UINT kMsgStop = WM_USER + 2;
constexpr std::uintptr_t kHousekeepingTimer = 1;
constexpr std::uint32_t kHousekeepingMs = 1000;
// NAT detects go out in small rounds this often, so their echoes do not arrive in one burst.
constexpr std::uintptr_t kNatTimer = 2;
constexpr std::uint32_t kNatRoundMs = 100;

void PrintLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// A free UDP port on address, found by binding port 0 for a moment: the link library binds
// by number, so a port chosen by the system has to be learned first.
std::uint16_t ProbeFreePort(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    socklen_t len = sizeof a;
    std::uint16_t port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
        port = ntohs(a.sin_port);
    }
    close(fd);
    return port;
}

std::uint32_t DerivePublicAddress(const ServerOptions& options) {
    in_addr a{};
    const std::string& text = options.publicAddress.empty() ? options.address : options.publicAddress;
    inet_pton(AF_INET, text.c_str(), &a);
    if (a.s_addr != htonl(INADDR_ANY)) return a.s_addr;
    for (const LocalAddress& local : LocalIPv4Addresses()) {
        if ((ntohl(local.address) >> 24) != 127) return local.address;
    }
    return htonl(INADDR_LOOPBACK);
}

} // namespace

void BlockStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

ServerLoop::ServerLoop(SubscriberDb& db, const ServerOptions& options) : m_db(db), m_options(options) {}

ServerLoop::~ServerLoop() {
    if (m_account) m_talk->RemoveStreamService(m_account->Service());
    m_account.reset();
    if (m_update) m_talk->RemoveStreamService(m_update->Service());
    m_update.reset();
    m_talk.reset(); // its links go before the link libraries stop
    if (m_link != 0) UdpClose(m_link);
    if (m_udpReady) UdpUninit();
    Destroy();
}

bool ServerLoop::BindUserLink(std::uint16_t* port) {
    m_link = BindUdpLink(m_options.address, m_options.userPort, kUdpFlagScramble, ProbeFreePort, port);
    return m_link != 0;
}

bool ServerLoop::Start(std::string* error) {
    if (Create("orvserver") == 0) {
        *error = "cannot create the server window";
        return false;
    }
    m_udpNotifyMsg = RegisterWindowMessage(kUdpNotifyMsgName);
    if (UdpInit(GetSafeHwnd()) == 0) {
        *error = "cannot start the datagram link library";
        return false;
    }
    m_udpReady = true;

    UserServerConfig config;
    config.ttlSeconds = m_options.ttlSeconds;
    config.natIntervalMs = m_options.natIntervalSeconds * 1000;
    const auto sendUser = [this](const std::vector<std::uint8_t>& packet, const std::string& address,
                                 std::uint16_t port) {
        if (UdpSendTo(m_link, packet.data(), static_cast<std::uint32_t>(packet.size()), address.c_str(), port,
                      kUdpFlagScramble) == 0) {
            ServerLog("cannot send 0x%04x to %s:%u", packet.size() >= 2 ? GetU16LE(packet.data()) : 0,
                      address.c_str(), port);
        }
    };
    m_server = std::make_unique<UserServer>(m_db, config, sendUser);

    std::uint16_t port = 0;
    if (!BindUserLink(&port)) {
        *error = "cannot bind the user server to " + m_options.address + ":" + std::to_string(m_options.userPort);
        return false;
    }
    m_server->SetPublicAddress(DerivePublicAddress(m_options), port);
    const int receiveBuffer = UdpSetReceiveBuffer(m_link, m_options.receiveBufferBytes);
    SetTimer(GetSafeHwnd(), kHousekeepingTimer, kHousekeepingMs);
    if (m_options.natIntervalSeconds != 0) SetTimer(GetSafeHwnd(), kNatTimer, kNatRoundMs);
    ServerLog("user server on %s:%u, TTL %u s, NAT detect every %u s, receive buffer %d bytes",
              m_options.address.c_str(), port, m_options.ttlSeconds, m_options.natIntervalSeconds, receiveBuffer);
    PrintLine("LISTEN user udp " + m_options.address + ":" + std::to_string(port));

    TalkHostOptions talk;
    talk.address = m_options.address;
    talk.publicIp = ntohl(DerivePublicAddress(m_options));
    talk.talkPort = m_options.talkPort;
    talk.mediaPort = m_options.mediaPort;
    talk.echoNumber = m_options.echoNumber;
    talk.mediaRelay = m_options.mediaRelay;
    if (!m_options.mediaAnnounceAddress.empty()) {
        std::uint32_t ip = 0;
        ParseDottedQuad(m_options.mediaAnnounceAddress, &ip);
        talk.announceAudio = MediaAddress{ip, m_options.mediaAnnounceAudio};
        talk.announceVideo = MediaAddress{ip, m_options.mediaAnnounceVideo};
    }
    talk.recordsPath = JoinPath(HomeFolder(), kCallRecordDbName);
    m_talk = std::make_unique<TalkHost>(m_server->Sessions(), m_db, sendUser, PrintLine);
    if (!m_talk->Start(talk, ProbeFreePort, error)) return false;
    m_server->SetTalkRequests(m_talk->Requests());
    m_server->SetConferenceRequests(m_talk->ConfRequests());
    if (!StartAccountServer(error)) return false;
    if (!StartUpdateServer(error)) return false;
    StartInputReader();
    StartSignalWatcher();
    return true;
}

bool ServerLoop::StartAccountServer(std::string* error) {
    m_account = std::make_unique<AccountHost>(m_db, PrintLine);
    std::uint16_t port = 0;
    if (!m_account->Start(m_options.address, m_options.accountPort, &port, error)) return false;
    m_talk->AddStreamService(m_account->Service());
    m_server->Options().SetAccountServer({DerivePublicAddress(m_options), port});
    return true;
}

bool ServerLoop::StartUpdateServer(std::string* error) {
    m_update = std::make_unique<UpdateHost>(UpdateFolderOf(m_options), UpdateKeyFileOf(m_options), PrintLine);
    std::uint16_t port = 0;
    if (!m_update->Start(m_options.address, m_options.updatePort, &port, error)) return false;
    m_talk->AddStreamService(m_update->Service());
    m_server->Options().SetUpdateServer({DerivePublicAddress(m_options), port}, 0);
    return true;
}

int ServerLoop::Run() {
    const int code = RunMessageLoop();
    KillTimer(GetSafeHwnd(), kHousekeepingTimer);
    KillTimer(GetSafeHwnd(), kNatTimer);
    ServerLog("user server stops");
    return code;
}

LRESULT ServerLoop::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == m_udpNotifyMsg && m_udpNotifyMsg != 0) {
        OnUdpNotify(reinterpret_cast<const LinkEvent*>(wParam), reinterpret_cast<const void*>(lParam));
    } else if (message == WM_TIMER && wParam == kHousekeepingTimer) {
        if (m_server) m_server->OnTimer(GetTickCount());
        if (m_talk) m_talk->OnTimer(GetTickCount());
    } else if (message == WM_TIMER && wParam == kNatTimer) {
        if (m_server) m_server->SendNatDetects(GetTickCount());
    } else if (message == kMsgAdminLine) {
        std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        if (line) OnAdminLine(*line);
    } else if (message == kMsgStop) {
        PostQuitMessage(0);
    }
    return 0;
}

void ServerLoop::OnUdpNotify(const LinkEvent* event, const void* detail) {
    if (m_talk && m_talk->OnUdpNotify(event, detail)) return;
    if (event == nullptr || event->link != m_link || event->code != kLinkEventData || detail == nullptr) return;
    const auto* info = static_cast<const UdpRecvInfo*>(detail);
    char address[sizeof info->address + 1] = {};
    std::memcpy(address, info->address, sizeof info->address);
    if (info->data == nullptr && info->length != 0) return;
    m_server->OnDatagram(info->data, info->length, address, info->port, GetTickCount());
}

void ServerLoop::OnAdminLine(const std::string& line) {
    const std::vector<std::string> words = SplitWords(line);
    if (words.empty()) return;
    if (words.size() == 1 && words[0] == "quit") {
        PrintLine("ADMIN ok quit");
        PostQuitMessage(0);
        return;
    }
    std::vector<std::string> lines;
    if (m_talk && m_talk->RunCommand(words, &lines)) {
        for (const std::string& out : lines) PrintLine(out);
        return;
    }
    bool ok = false;
    if (IsAccountCommand(words[0])) {
        for (const std::string& out : RunAccountCommand(words, m_db, &ok)) PrintLine(out);
        return;
    }
    if (IsUpdateCommand(words[0])) {
        for (const std::string& out : RunUpdateCommand(words, UpdateFolderOf(m_options), UpdateKeyFileOf(m_options), &ok))
            PrintLine(out);
        return;
    }
    for (const std::string& out : RunAdminCommand(words, m_db, m_server.get(), GetTickCount(), &ok)) PrintLine(out);
}

// Standard input is read on a thread of its own that posts each line to the window; the
// thread is left blocked in its read at exit (the process ends with it).
void ServerLoop::StartInputReader() {
    const HWND window = GetSafeHwnd();
    const bool quitOnEof = m_options.quitOnEof;
    std::thread([window, quitOnEof] {
        std::string line;
        while (std::getline(std::cin, line)) {
            auto* copy = new std::string(line);
            if (!PostMessage(window, kMsgAdminLine, 0, reinterpret_cast<LPARAM>(copy))) {
                delete copy;
                return;
            }
        }
        if (quitOnEof) PostMessage(window, kMsgStop, 0, 0);
    }).detach();
}

void ServerLoop::StartSignalWatcher() {
    const HWND window = GetSafeHwnd();
    std::thread([window] {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGHUP);
        int signo = 0;
        if (sigwait(&set, &signo) == 0) PostMessage(window, kMsgStop, 0, 0);
    }).detach();
}

} // namespace orv
