// Test helpers for socket readiness reports: loopback sockets and a window on the calling
// thread that records what it is told.
#pragma once

#include "platform/message.h"
#include "platform/tick.h"
#include "window_thread.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace orv {
namespace test {

constexpr UINT kMsgSocket = WM_USER + 20;

struct Fd {
    int fd = -1;
    explicit Fd(int f = -1) : fd(f) {}
    ~Fd() {
        if (fd >= 0) {
            AsyncSelect(fd, 0, 0, 0);
            close(fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    operator int() const { return fd; }
};

inline sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

inline int BoundSocket(int type) {
    const int fd = socket(AF_INET, type, 0);
    sockaddr_in a = Loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    return fd;
}

inline std::uint16_t PortOf(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
}

inline int ConnectNonBlocking(int fd, std::uint16_t port) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    sockaddr_in a = Loopback(port);
    return connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : errno;
}

struct Report {
    int fd;
    long event;
    int error;
};

// A window on the test thread that records socket reports; on FD_READ it reads one
// datagram or what a stream has, on FD_ACCEPT it accepts.
struct SocketWindow {
    std::vector<Report> reports;
    std::vector<int> accepted;
    std::string received;
    FunctionWindow window{[this](UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg != kMsgSocket)
            return 0;
        const int fd = static_cast<int>(w);
        const long event = LowWord(static_cast<std::uintptr_t>(l));
        reports.push_back({fd, event, HighWord(static_cast<std::uintptr_t>(l))});
        if (event == FD_READ) {
            char buf[2048];
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n > 0)
                received.append(buf, static_cast<size_t>(n));
        } else if (event == FD_ACCEPT) {
            accepted.push_back(accept(fd, nullptr, nullptr));
        }
        return 0;
    }};
    HWND hwnd = window.Create("sockets");
    ~SocketWindow() {
        for (int fd : accepted)
            close(fd);
    }

    // Retrieves (bounded) the next socket report; when dispatch is false the message is taken
    // but not dispatched. Returns the event, 0 when none came.
    long Next(std::uint32_t timeoutMs = 5000, bool dispatch = true) {
        const std::uint32_t start = GetTickCount();
        MSG msg;
        for (;;) {
            const std::int32_t left = static_cast<std::int32_t>(timeoutMs) - TickDiff(GetTickCount(), start);
            if (left <= 0 || !GetMessageTimeout(&msg, static_cast<std::uint32_t>(left)))
                return 0;
            if (msg.message != kMsgSocket) {
                DispatchMessage(&msg);
                continue;
            }
            if (dispatch)
                DispatchMessage(&msg);
            else
                reports.push_back({static_cast<int>(msg.wParam), LowWord(static_cast<std::uintptr_t>(msg.lParam)),
                                   HighWord(static_cast<std::uintptr_t>(msg.lParam))});
            return reports.back().event;
        }
    }
    // True when nothing is reported within the time (no flood, nothing left).
    bool Quiet(std::uint32_t ms = 100) { return Next(ms) == 0; }
};

} // namespace test
} // namespace orv
