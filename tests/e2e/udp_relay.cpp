#include "tests/e2e/udp_relay.h"

#include "tests/e2e/service_processes.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::test {

namespace {

int BindLoopback(std::uint16_t* port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    if (port != nullptr) *port = ntohs(address.sin_port);
    return fd;
}

void SendLoopback(int fd, const std::vector<std::uint8_t>& datagram, std::uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

} // namespace

UdpRelay::UdpRelay() {
    m_front = BindLoopback(&m_frontPort);
    if (pipe2(m_wake, O_CLOEXEC) != 0) m_wake[0] = m_wake[1] = -1;
}

UdpRelay::~UdpRelay() {
    if (m_thread.joinable()) {
        const char stop = 1;
        (void)!write(m_wake[1], &stop, 1);
        m_thread.join();
    }
    for (auto& [port, flow] : m_flows) close(flow.upstream);
    for (int fd : {m_front, m_wake[0], m_wake[1]}) {
        if (fd >= 0) close(fd);
    }
}

void UdpRelay::Start(std::uint16_t targetPort, RelayImpairment impairment) {
    if (m_thread.joinable()) return;
    m_targetPort = targetPort;
    m_impairment = impairment;
    m_loss.store(impairment.loss);
    m_random.seed(impairment.seed);
    m_thread = std::thread([this] { Run(); });
}

void UdpRelay::SetLoss(double loss) { m_loss.store(loss); }

std::vector<RelayedDatagram> UdpRelay::FromClients() {
    std::lock_guard<std::mutex> hold(m_logLock);
    return m_log;
}

UdpRelay::Flow& UdpRelay::FlowFor(std::uint16_t clientPort) {
    Flow& flow = m_flows[clientPort];
    if (flow.upstream < 0) flow.upstream = BindLoopback(nullptr);
    return flow;
}

void UdpRelay::Pass(int socket, const std::vector<std::uint8_t>& datagram, std::uint16_t port,
                    std::vector<std::uint8_t>& held) {
    std::uniform_real_distribution<double> chance(0, 1);
    if (m_burstLeft == 0 && chance(m_random) < m_impairment.burst) m_burstLeft = 3;
    if (m_burstLeft > 0 || chance(m_random) < m_loss.load()) {
        if (m_burstLeft > 0) --m_burstLeft;
        ++m_dropped;
        return;
    }
    if (held.empty() && chance(m_random) < m_impairment.reorder) {
        held = datagram; // goes out right after the next one
        ++m_reordered;
        return;
    }
    SendLoopback(socket, datagram, port);
    ++m_forwarded;
    if (!held.empty()) {
        SendLoopback(socket, held, port);
        ++m_forwarded;
        held.clear();
    }
}

void UdpRelay::Run() {
    std::vector<std::uint8_t> buffer(65536);
    for (;;) {
        std::vector<pollfd> waits{{m_wake[0], POLLIN, 0}, {m_front, POLLIN, 0}};
        std::vector<std::uint16_t> owners{0, 0};
        for (auto& [port, flow] : m_flows) {
            waits.push_back({flow.upstream, POLLIN, 0});
            owners.push_back(port);
        }
        if (poll(waits.data(), waits.size(), -1) < 0) continue;
        if (waits[0].revents != 0) return;
        for (std::size_t i = 1; i < waits.size(); ++i) {
            if ((waits[i].revents & POLLIN) == 0) continue;
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const long n = recvfrom(waits[i].fd, buffer.data(), buffer.size(), 0,
                                    reinterpret_cast<sockaddr*>(&from), &length);
            if (n < 0) continue;
            const std::vector<std::uint8_t> datagram(buffer.begin(), buffer.begin() + n);
            if (i == 1) {
                const std::uint16_t clientPort = ntohs(from.sin_port);
                {
                    std::lock_guard<std::mutex> hold(m_logLock);
                    m_log.push_back({clientPort, datagram, std::chrono::steady_clock::now()});
                }
                Flow& flow = FlowFor(clientPort);
                Pass(flow.upstream, datagram, m_targetPort, flow.heldUp);
            } else {
                Flow& flow = m_flows[owners[i]];
                Pass(m_front, datagram, owners[i], flow.heldDown);
            }
        }
    }
}

bool StartServerBehindRelays(ChildProcess& server, const std::string& home, UdpRelay& audio, UdpRelay& video,
                             const std::string& echoNumber, RelayImpairment impairment, int timeoutMs,
                             std::string* userAddress) {
    const std::string announce =
        "127.0.0.1:" + std::to_string(audio.Port()) + ":" + std::to_string(video.Port());
    std::string line;
    if (!StartServerProcess(server, home,
                            {"--talk-port", "0", "--media-port", "0", "--media-relay", "--media-announce", announce,
                             "--echo-number", echoNumber},
                            timeoutMs, userAddress) ||
        !server.WaitForLine("LISTEN audio udp ", timeoutMs, &line)) {
        return false;
    }
    audio.Start(PortOf(line), impairment);
    if (!server.WaitForLine("LISTEN video udp ", timeoutMs, &line)) return false;
    video.Start(PortOf(line), impairment);
    return true;
}

} // namespace orv::test
