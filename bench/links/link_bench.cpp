// Loopback throughput of stream links (framed messages through libtcplink, beside a plain TCP
// socket pair moving the same bytes in the same run) and datagram round trips through
// libudplink (beside plain datagram sockets).
#include "platform/message.h"
#include "platform/thread.h"
#include "tcplink/tcplink.h"
#include "udplink/udplink.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

// A network thread whose client window hands every notification to a handler.
class NetworkThread : public WorkerThread {
public:
    using Handler = std::function<void(bool stream, const LinkEvent&, LPARAM detail)>;
    explicit NetworkThread(Handler handler) : m_handler(std::move(handler)) {
        Start();
        m_ready.Wait(5000);
    }
    ~NetworkThread() override { Stop(); }

protected:
    bool InitInstance() override {
        m_tcp = RegisterWindowMessage(kTcpNotifyMsgName);
        m_udp = RegisterWindowMessage(kUdpNotifyMsgName);
        m_window = std::make_unique<FunctionWindow>([this](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == m_tcp || message == m_udp)
                m_handler(message == m_tcp, *reinterpret_cast<const LinkEvent*>(wParam), lParam);
            return 0;
        });
        const HWND hwnd = m_window->Create("NotifyWnd");
        UdpInit(hwnd);
        TcpInit(hwnd);
        m_ready.Set();
        return true;
    }
    int ExitInstance() override {
        TcpUninit();
        UdpUninit();
        m_window.reset();
        return 0;
    }

private:
    Handler m_handler;
    UINT m_tcp = 0, m_udp = 0;
    std::unique_ptr<FunctionWindow> m_window;
    Event m_ready{true, false};
};

// Counts up to a target and wakes the waiter.
class Counter {
public:
    void Add(std::uint64_t n = 1) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_count += n;
        if (m_count >= m_target) m_done.notify_all();
    }
    void Expect(std::uint64_t target) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_count = 0;
        m_target = target;
    }
    bool Wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_done.wait_for(lock, std::chrono::seconds(30), [this] { return m_count >= m_target; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::uint64_t m_count = 0;
    std::uint64_t m_target = ~0ull;
};

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(port);
    return sa;
}

std::uint16_t PortOf(int fd) {
    sockaddr_in sa{};
    socklen_t size = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &size);
    return ntohs(sa.sin_port);
}

int MessagesPerBatch(std::size_t size) { return size <= 1024 ? 2000 : 32; }

void ReportThroughput(benchmark::State& state, std::size_t size, int batch) {
    state.SetItemsProcessed(state.iterations() * batch);
    state.SetBytesProcessed(state.iterations() * batch * static_cast<std::int64_t>(size));
}

// Framed messages from one stream link to another; args: payload size, send flags.
void BM_StreamLinkMessages(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const auto flags = static_cast<std::uint32_t>(state.range(1));
    Counter received, accepted;
    LinkHandle server = 0;
    NetworkThread network([&](bool stream, const LinkEvent& event, LPARAM detail) {
        if (!stream) return;
        if (event.code == kLinkEventAccepted) {
            server = event.link;
            accepted.Add();
        } else if (event.code == kLinkEventData && event.link == server &&
                   reinterpret_cast<const TcpRecvInfo*>(detail)->subCode == kTcpRecvComplete) {
            received.Add();
        }
    });
    accepted.Expect(1);
    const LinkHandle listener = TcpCreate("127.0.0.1", 0);
    TcpListen(listener, 4);
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    TcpGetLinkAddr(listener, 1, &address, &port);
    const LinkHandle client = TcpCreate("0.0.0.0", 0);
    TcpConnect(client, "127.0.0.1", port);
    if (!accepted.Wait()) state.SkipWithError("no connection");
    while (TcpIsConnect(client) == 0) std::this_thread::yield();

    const std::vector<std::uint8_t> payload(size, 0x5A);
    const int batch = MessagesPerBatch(size);
    for (auto _ : state) {
        received.Expect(static_cast<std::uint64_t>(batch));
        for (int i = 0; i < batch; ++i) TcpSend(client, payload.data(), static_cast<std::uint32_t>(size), flags);
        if (!received.Wait()) state.SkipWithError("messages lost");
    }
    ReportThroughput(state, size, batch);
    TcpClose(client);
    TcpClose(server);
    TcpClose(listener);
}
BENCHMARK(BM_StreamLinkMessages)
    ->Args({100, 0})
    ->Args({100, kTcpSendScramble})
    ->Args({65536, 0})
    ->Args({65536, kTcpSendScramble})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The same bytes (frame headers included) over a plain TCP socket pair: the sender writes each
// message with one blocking send, a reader thread takes them in.
void BM_PlainTcpSameBytes(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const int listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = Loopback(0);
    bind(listenFd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    listen(listenFd, 1);
    const int sender = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sa = Loopback(PortOf(listenFd));
    connect(sender, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    const int reader = accept(listenFd, nullptr, nullptr);
    const int on = 1;
    setsockopt(sender, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setsockopt(reader, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

    Counter received;
    std::thread readerThread([&] {
        std::vector<std::uint8_t> chunk(10240);
        ssize_t got;
        while ((got = recv(reader, chunk.data(), chunk.size(), 0)) > 0) received.Add(static_cast<std::uint64_t>(got));
    });
    const std::vector<std::uint8_t> message(size + 8, 0x5A);
    const int batch = MessagesPerBatch(size);
    for (auto _ : state) {
        received.Expect(static_cast<std::uint64_t>(batch) * message.size());
        for (int i = 0; i < batch; ++i) {
            for (std::size_t at = 0; at < message.size();) {
                const ssize_t sent = send(sender, message.data() + at, message.size() - at, MSG_NOSIGNAL);
                if (sent <= 0) break;
                at += static_cast<std::size_t>(sent);
            }
        }
        if (!received.Wait()) state.SkipWithError("bytes lost");
    }
    ReportThroughput(state, size, batch);
    shutdown(sender, SHUT_RDWR);
    close(sender);
    readerThread.join();
    close(reader);
    close(listenFd);
}
BENCHMARK(BM_PlainTcpSameBytes)->Arg(100)->Arg(65536)->UseRealTime()->Unit(benchmark::kMillisecond);

// One datagram out and echoed back between two datagram links (scrambled, as the client sends).
void BM_DatagramLinkRoundTrip(benchmark::State& state) {
    LinkHandle a = 0, b = 0;
    std::uint16_t portA = 0;
    Counter answers;
    NetworkThread network([&](bool stream, const LinkEvent& event, LPARAM detail) {
        if (stream || event.code != kLinkEventData) return;
        const auto* info = reinterpret_cast<const UdpRecvInfo*>(detail);
        if (event.link == b) {
            portA = info->port;
            UdpSendTo(b, info->data, info->length, info->address, info->port, kUdpFlagScramble);
        } else if (event.link == a) {
            answers.Add();
        }
    });
    a = UdpCreate("127.0.0.1", 0, kUdpFlagScramble);
    // b's port: bind a probe socket, learn the port, and hand it to the link.
    const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = Loopback(0);
    bind(probe, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    const std::uint16_t portB = PortOf(probe);
    close(probe);
    b = UdpCreate("127.0.0.1", portB, kUdpFlagScramble);
    if (b == 0) state.SkipWithError("no port");

    const std::vector<std::uint8_t> payload(64, 0x33);
    for (auto _ : state) {
        answers.Expect(1);
        UdpSendTo(a, payload.data(), 64, "127.0.0.1", portB, kUdpFlagScramble);
        if (!answers.Wait()) state.SkipWithError("datagram lost");
    }
    state.SetItemsProcessed(state.iterations());
    UdpClose(a);
    UdpClose(b);
}
BENCHMARK(BM_DatagramLinkRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The same round trip between two plain blocking datagram sockets (echo thread).
void BM_PlainDatagramRoundTrip(benchmark::State& state) {
    const int a = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int b = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = Loopback(0);
    bind(a, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    bind(b, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    const sockaddr_in toB = Loopback(PortOf(b));
    std::thread echo([&] {
        std::uint8_t buffer[2048];
        sockaddr_in from{};
        socklen_t size = sizeof from;
        ssize_t got;
        while ((got = recvfrom(b, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size)) > 0)
            sendto(b, buffer, static_cast<std::size_t>(got), 0, reinterpret_cast<sockaddr*>(&from), size);
    });
    std::uint8_t payload[65] = {};
    for (auto _ : state) {
        sendto(a, payload, sizeof payload, 0, reinterpret_cast<const sockaddr*>(&toB), sizeof toB);
        recv(a, payload, sizeof payload, 0);
    }
    state.SetItemsProcessed(state.iterations());
    sendto(a, payload, 0, 0, reinterpret_cast<const sockaddr*>(&toB), sizeof toB); // empty datagram ends the echo
    echo.join();
    close(a);
    close(b);
}
BENCHMARK(BM_PlainDatagramRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace orv

BENCHMARK_MAIN();
