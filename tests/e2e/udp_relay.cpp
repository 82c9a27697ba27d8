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

// A socket on a loopback address (host order) and port (0: the system's choice).
int BindLoopback(std::uint16_t* port, std::uint32_t loopback = INADDR_LOOPBACK, std::uint16_t wanted = 0) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(loopback);
    address.sin_port = htons(wanted);
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

std::int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// splitmix64's finaliser: every input bit moves about half the output bits.
std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

constexpr std::uint64_t kLossSalt = 1, kBurstSalt = 2, kReorderSalt = 3;
constexpr std::uint64_t kUpBit = std::uint64_t{1} << 63, kOtherBit = std::uint64_t{1} << 62;
constexpr std::uint64_t kCounterMask = kOtherBit - 1;

} // namespace

UdpRelay::UdpRelay(std::uint32_t frontAddress, std::uint16_t frontPort) {
    m_front = BindLoopback(&m_frontPort, frontAddress, frontPort);
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
    m_thread = std::thread([this] { Run(); });
}

void UdpRelay::SetLoss(double loss) { m_loss.store(loss); }

void UdpRelay::StallAfterClientDatagrams(std::size_t count, std::chrono::milliseconds duration) {
    m_stallAfterMs.store(duration.count());
    m_stallAfter.store(count);
}

void UdpRelay::Stall(std::chrono::milliseconds duration) {
    m_stallUntilUs.store(NowUs() + duration.count() * 1000);
    ++m_stalls;
}

std::vector<RelayedDatagram> UdpRelay::FromClients() {
    std::lock_guard<std::mutex> hold(m_logLock);
    return m_log;
}

UdpRelay::Flow& UdpRelay::FlowFor(std::uint16_t clientPort) {
    Flow& flow = m_flows[clientPort];
    if (flow.upstream < 0) flow.upstream = BindLoopback(nullptr);
    return flow;
}

double UdpRelay::Chance(std::uint64_t key, std::uint64_t salt) const {
    const std::uint64_t mixed = Mix(key ^ Mix(salt ^ m_impairment.seed));
    return static_cast<double>(mixed >> 11) / 9007199254740992.0; // 2^53
}

// Lost on its own, or inside a burst of three that began at it or one of the two before it
// (sequence numbers wrap; the first datagrams of a flow that is not RTP have fewer before them).
bool UdpRelay::Lost(std::uint64_t key, bool rtp) const {
    if (Chance(key, kLossSalt) < m_loss.load()) return true;
    for (std::uint64_t back = 0; back < 3; ++back) {
        const std::uint64_t counter = key & 0xFFFF;
        if (!rtp && (key & kCounterMask) < back) break;
        const std::uint64_t earlier =
            rtp ? (key & ~std::uint64_t{0xFFFF}) | ((counter - back) & 0xFFFF) : key - back;
        if (Chance(earlier, kBurstSalt) < m_impairment.burst) return true;
    }
    return false;
}

void UdpRelay::Pass(int socket, const std::vector<std::uint8_t>& datagram, std::uint16_t port, bool up,
                    Flow& flow) {
    const bool rtp = datagram.size() >= 12 && (datagram[0] & 0xC0) == 0x80;
    std::uint64_t key = up ? kUpBit : 0;
    if (rtp) {
        const std::uint64_t ssrc = (std::uint64_t{datagram[8]} << 24) | (std::uint64_t{datagram[9]} << 16) |
                                   (std::uint64_t{datagram[10]} << 8) | datagram[11];
        key |= (ssrc << 16) | (std::uint64_t{datagram[2]} << 8) | datagram[3];
    } else {
        key |= kOtherBit | (up ? flow.otherUp++ : flow.otherDown++);
    }
    if (Lost(key, rtp)) {
        ++m_dropped;
        return;
    }
    Held& held = up ? flow.heldUp : flow.heldDown;
    if (held.bytes.empty() && Chance(key, kReorderSalt) < m_impairment.reorder) {
        held = {datagram, key}; // goes out right after the next one
        ++m_reordered;
        return;
    }
    Send(socket, datagram, port);
    if (!held.bytes.empty()) {
        Send(socket, held.bytes, port);
        held.bytes.clear();
    }
}

// Sends, or keeps the datagram while a stall lasts.
void UdpRelay::Send(int socket, const std::vector<std::uint8_t>& datagram, std::uint16_t port) {
    if (NowUs() < m_stallUntilUs.load()) {
        if (m_stalled.size() >= kStallLimit) {
            ++m_dropped;
            return;
        }
        m_stalled.push_back({socket, port, datagram});
        return;
    }
    SendLoopback(socket, datagram, port);
    ++m_forwarded;
}

// How long the relay may sleep: until a stall holding datagrams ends (after which they all go).
int UdpRelay::StallWaitMs() {
    if (m_stalled.empty()) return -1;
    const std::int64_t left = m_stallUntilUs.load() - NowUs();
    if (left > 0) return static_cast<int>((left + 999) / 1000);
    for (const Stalled& s : m_stalled) {
        SendLoopback(s.socket, s.bytes, s.port);
        ++m_forwarded;
    }
    m_stalled.clear();
    return -1;
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
        if (poll(waits.data(), waits.size(), StallWaitMs()) <= 0) continue;
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
                Pass(flow.upstream, datagram, m_targetPort, true, flow);
                if (++m_fromClients == m_stallAfter.load()) Stall(std::chrono::milliseconds(m_stallAfterMs.load()));
            } else {
                Pass(m_front, datagram, owners[i], false, m_flows[owners[i]]);
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
