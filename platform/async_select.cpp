// Socket readiness as window messages. Each selected socket sits in the epoll set of the
// thread that owns its window, level-triggered, registered only for the events that may be
// reported right now: a reported FD_READ / FD_ACCEPT / FD_OOB is off until that message has
// been dispatched, FD_WRITE until AsyncSelect is called again. So a socket that stays
// writable or readable never floods the queue nor keeps the thread's wait fd readable.
// Re-arming is on the path of every piece a stream link moves (a dispatched FD_READ, a
// re-select for the next FD_WRITE), so it is kept free of system calls: after a report the
// registered events linger until the socket's next readiness (at most one extra wake-up per
// report), and a re-arm that finds its event still registered only flips a flag.
#include "platform/message_internal.h"

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace orv {
namespace {

// A stream socket that is neither connecting nor listening yet (AsyncSelect came before
// connect() or listen()) would report a hang-up at once; it is looked at this often instead.
constexpr std::int64_t kIdlePollNs = 5000000;

int IntOption(int fd, int level, int name) {
    int value = 0;
    socklen_t len = sizeof value;
    return getsockopt(fd, level, name, &value, &len) == 0 ? value : -1;
}

int TakeSocketError(int fd) { // reading SO_ERROR also clears it
    const int err = IntOption(fd, SOL_SOCKET, SO_ERROR);
    return err < 0 ? errno : err;
}

int TcpState(int fd) { // -1 when fd is not a TCP socket
    tcp_info info{};
    socklen_t len = sizeof info;
    if (getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &len) != 0)
        return -1;
    return info.tcpi_state;
}

int BytesWaiting(int fd) {
    int n = 0;
    return ioctl(fd, FIONREAD, &n) == 0 ? n : 0;
}

void Report(ThreadQueue& q, const SelectedSocket& s, long event, int error) {
    q.PostLocked(MSG{s.hwnd, s.message, static_cast<WPARAM>(s.fd),
                     MakeLParam(static_cast<std::uint16_t>(event), static_cast<std::uint16_t>(error)),
                     MessageTime()});
}

std::uint32_t Interest(const SelectedSocket& s) {
    if (s.finished || s.idle || s.parked)
        return 0;
    if (s.connecting)
        return EPOLLOUT;
    if (s.listening)
        return (s.acceptEnabled ? static_cast<std::uint32_t>(EPOLLIN) : 0u) | s.lingering;
    std::uint32_t want = s.lingering;
    if (s.readEnabled)
        want |= EPOLLIN;
    if (s.oobEnabled)
        want |= EPOLLPRI;
    // The peer's close is reported after the waiting data, so watch for it only while a read
    // report may go out (or when reads are not wanted at all).
    if (s.stream && (s.events & FD_CLOSE) && (s.readEnabled || !(s.events & FD_READ)))
        want |= EPOLLRDHUP;
    if (s.writeEnabled)
        want |= EPOLLOUT;
    return want;
}

bool SyncEpoll(ThreadQueue& q, SelectedSocket& s) {
    const std::uint32_t want = Interest(s);
    if (want == 0) { // out of the set: hang-ups and errors cannot be masked otherwise
        if (s.inEpoll)
            epoll_ctl(q.epollFd, EPOLL_CTL_DEL, s.fd, nullptr);
        s.inEpoll = false;
        s.interest = 0;
        return true;
    }
    epoll_event ev{};
    ev.events = want;
    ev.data.fd = s.fd;
    if (s.inEpoll) {
        if (want != s.interest && epoll_ctl(q.epollFd, EPOLL_CTL_MOD, s.fd, &ev) != 0)
            return false;
    } else if (epoll_ctl(q.epollFd, EPOLL_CTL_ADD, s.fd, &ev) != 0) {
        if (errno != EEXIST || epoll_ctl(q.epollFd, EPOLL_CTL_MOD, s.fd, &ev) != 0)
            return false;
    }
    s.inEpoll = true;
    s.interest = want;
    return true;
}

void SchedulePollLocked(ThreadQueue& q) {
    if (q.socketPollNs == 0) {
        q.socketPollNs = MonotonicNs() + kIdlePollNs;
        q.RearmTimerLocked();
    }
}

void ConnectFailed(ThreadQueue& q, SelectedSocket& s, int error) {
    s.connecting = false;
    s.idle = false;
    s.finished = true;
    if (s.events & FD_CONNECT)
        Report(q, s, FD_CONNECT, error);
}

// Works out where a stream socket stands: listening, connecting, connected, failed or idle.
// Returns true when it is connected.
bool ClassifyStream(ThreadQueue& q, SelectedSocket& s) {
    s.idle = false;
    s.connecting = false;
    if (IntOption(s.fd, SOL_SOCKET, SO_ACCEPTCONN) == 1) {
        s.listening = true;
        return false;
    }
    const int state = TcpState(s.fd);
    if (state == TCP_SYN_SENT) {
        s.connecting = true;
    } else if (state == TCP_CLOSE) {
        const int err = TakeSocketError(s.fd);
        if (err != 0) {
            ConnectFailed(q, s, err);
        } else {
            s.connecting = true;
            s.idle = true;
        }
    } else if (state < 0) { // not TCP: connected when it has a peer, else wait for writability
        sockaddr_storage peer{};
        socklen_t len = sizeof peer;
        s.connecting = getpeername(s.fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0;
    }
    return !s.connecting && !s.finished;
}

// A connect in progress reported writable or failed. Returns true when it finished.
bool FinishConnect(ThreadQueue& q, SelectedSocket& s) {
    const int state = TcpState(s.fd);
    if (state == TCP_SYN_SENT)
        return false;
    const int err = TakeSocketError(s.fd);
    if (err == 0 && state == TCP_CLOSE) { // connect() not called yet
        s.idle = true;
        SchedulePollLocked(q);
        return false;
    }
    if (err != 0) {
        ConnectFailed(q, s, err);
        return true;
    }
    s.connecting = false;
    if (s.events & FD_CONNECT)
        Report(q, s, FD_CONNECT, 0);
    return true;
}

void ReportClose(ThreadQueue& q, SelectedSocket& s, std::uint32_t ev) {
    const int err = (ev & EPOLLERR) ? TakeSocketError(s.fd) : 0;
    Report(q, s, FD_CLOSE, err);
    s.finished = true;
}

// Returns true when something was reported.
bool HandleStream(ThreadQueue& q, SelectedSocket& s, std::uint32_t ev) {
    bool acted = false;
    const bool ended = ev & (EPOLLRDHUP | EPOLLHUP | EPOLLERR);
    if (ev & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) {
        // Only a hang-up needs the byte count (data first, then the close): spare the ioctl.
        const bool dataWaiting = ended && BytesWaiting(s.fd) > 0;
        const bool closeWanted = (s.events & FD_CLOSE) != 0;
        if ((dataWaiting || !ended) && s.readEnabled) {
            Report(q, s, FD_READ, 0);
            s.readEnabled = false;
            acted = true;
        } else if (ended && closeWanted && (s.readEnabled || !(s.events & FD_READ))) {
            // Here no data waits, or reads are not wanted: everything before the close is told.
            ReportClose(q, s, ev);
            acted = true;
        }
    }
    if (s.writeEnabled && !s.finished && (ev & EPOLLOUT) && !(ev & (EPOLLHUP | EPOLLERR))) {
        Report(q, s, FD_WRITE, 0);
        s.writeEnabled = false;
        acted = true;
    }
    return acted;
}

bool HandleReady(ThreadQueue& q, SelectedSocket& s, std::uint32_t ev) {
    bool acted = false;
    if (s.connecting) {
        if (!(ev & (EPOLLOUT | EPOLLERR | EPOLLHUP)) || !FinishConnect(q, s))
            return true; // still connecting (or idle again): nothing to park
        if (s.finished)
            return true;
        acted = true;
    }
    if (s.listening) {
        if (s.acceptEnabled && (ev & EPOLLIN)) {
            Report(q, s, FD_ACCEPT, 0);
            s.acceptEnabled = false;
            acted = true;
        }
        return acted;
    }
    if (s.oobEnabled && (ev & EPOLLPRI)) {
        Report(q, s, FD_OOB, 0);
        s.oobEnabled = false;
        acted = true;
    }
    if (s.stream)
        return HandleStream(q, s, ev) || acted;
    if (ev & EPOLLERR) { // a datagram socket's error (ICMP): clear it, the next receive goes on
        TakeSocketError(s.fd);
        acted = true;
    }
    if (s.readEnabled && (ev & EPOLLIN)) {
        Report(q, s, FD_READ, 0);
        s.readEnabled = false;
        acted = true;
    }
    if (s.writeEnabled && (ev & EPOLLOUT)) {
        Report(q, s, FD_WRITE, 0);
        s.writeEnabled = false;
        acted = true;
    }
    return acted;
}

void Forget(ThreadQueue& q, std::unordered_map<int, SelectedSocket>::iterator it) {
    if (it->second.inEpoll)
        epoll_ctl(q.epollFd, EPOLL_CTL_DEL, it->first, nullptr);
    q.sockets.erase(it);
    q.socketCount.store(q.sockets.size());
}

} // namespace

void OnSocketReadyLocked(ThreadQueue& q, int fd, std::uint32_t epollEvents) {
    const auto it = q.sockets.find(fd);
    if (it == q.sockets.end() || !it->second.inEpoll)
        return; // taken out (or re-registered) after epoll_wait returned
    SelectedSocket& s = it->second;
    // Readiness that only a lingering event explains is no reason to park (that would stop
    // the other reports too): the lingering events just go.
    const std::uint32_t lingered = s.lingering;
    s.lingering = 0;
    if (HandleReady(q, s, epollEvents))
        s.lingering = s.interest;
    else if ((epollEvents & ~lingered) != 0)
        s.parked = true; // nothing to report in this state: wait for a re-arm
    SyncEpoll(q, s);
}

void PollIdleSocketsLocked(ThreadQueue& q, std::int64_t nowNs) {
    bool stillIdle = false;
    for (auto it = q.sockets.begin(); it != q.sockets.end();) {
        SelectedSocket& s = it->second;
        if (!s.idle) {
            ++it;
            continue;
        }
        if (IntOption(s.fd, SOL_SOCKET, SO_TYPE) < 0) { // closed without being taken out
            const auto gone = it++;
            Forget(q, gone);
            continue;
        }
        // connect() came since the last look, and may even have finished already.
        if (ClassifyStream(q, s) && (s.events & FD_CONNECT))
            Report(q, s, FD_CONNECT, 0);
        SyncEpoll(q, s);
        stillIdle = stillIdle || s.idle;
        ++it;
    }
    q.socketPollNs = stillIdle ? nowNs + kIdlePollNs : 0;
}

void OnSocketMessageDispatched(const MSG& msg) {
    const long event = LowWord(static_cast<std::uintptr_t>(msg.lParam));
    if (event != FD_READ && event != FD_ACCEPT && event != FD_OOB)
        return;
    ThreadQueue* q = CurrentQueue();
    if (!q || q->socketCount.load() == 0)
        return;
    std::lock_guard<std::mutex> lock(q->mutex);
    const auto it = q->sockets.find(static_cast<int>(msg.wParam));
    if (it == q->sockets.end())
        return;
    SelectedSocket& s = it->second;
    if (s.hwnd != msg.hwnd || s.message != msg.message || s.finished)
        return;
    if (event == FD_READ)
        s.readEnabled = (s.events & FD_READ) != 0;
    else if (event == FD_ACCEPT)
        s.acceptEnabled = (s.events & FD_ACCEPT) != 0;
    else
        s.oobEnabled = (s.events & FD_OOB) != 0;
    s.parked = false;
    SyncEpoll(*q, s);
}

void RemoveWindowSocketsLocked(ThreadQueue& q, HWND hwnd) {
    for (auto it = q.sockets.begin(); it != q.sockets.end();) {
        const auto next = std::next(it);
        if (it->second.hwnd == hwnd)
            Forget(q, it);
        it = next;
    }
}

namespace {

// The same socket, window, message and events again: only FD_WRITE is re-enabled (FD_READ,
// FD_ACCEPT and FD_OOB come back when their report is dispatched). A settled socket was
// classified and made non-blocking when it joined. Returns false when the full path must run.
bool ReselectLocked(ThreadQueue& q, int fd, HWND hwnd, UINT message, long events) {
    const auto it = q.sockets.find(fd);
    if (it == q.sockets.end())
        return false;
    SelectedSocket& s = it->second;
    if (s.hwnd != hwnd || s.message != message || s.events != events)
        return false;
    if (s.finished || s.connecting || s.idle)
        return false; // not settled yet (or over): look at the socket afresh
    if (!(events & FD_WRITE))
        return true;
    s.writeEnabled = true;
    s.parked = false;
    if (SyncEpoll(q, s))
        return true;
    s.writeEnabled = false; // e.g. the descriptor was closed and reused without a deselect
    return false;
}

} // namespace

bool AsyncSelect(int fd, HWND hwnd, UINT message, long events) {
    if (fd < 0)
        return false;
    std::shared_ptr<ThreadQueue> target = (hwnd && events) ? WindowQueue(hwnd) : nullptr;
    if (target) {
        std::lock_guard<std::mutex> lock(target->mutex);
        if (target->alive && ReselectLocked(*target, fd, hwnd, message, events))
            return true;
    }
    // Out of every wait set first: the socket may move to a window of another thread.
    bool wasConnected = false;
    for (const auto& q : AllThreadQueues()) {
        std::lock_guard<std::mutex> lock(q->mutex);
        const auto it = q->sockets.find(fd);
        if (it == q->sockets.end())
            continue;
        wasConnected = wasConnected || (!it->second.connecting && !it->second.idle);
        Forget(*q, it);
    }
    if (!hwnd || !events)
        return true;
    const int type = IntOption(fd, SOL_SOCKET, SO_TYPE);
    if (!target || type < 0)
        return false;
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return false;

    std::lock_guard<std::mutex> lock(target->mutex);
    if (!target->alive)
        return false;
    SelectedSocket s;
    s.fd = fd;
    s.hwnd = hwnd;
    s.message = message;
    s.events = events;
    s.stream = type == SOCK_STREAM;
    s.readEnabled = events & FD_READ;
    s.acceptEnabled = events & FD_ACCEPT;
    s.oobEnabled = events & FD_OOB;
    s.writeEnabled = events & FD_WRITE;
    if (s.stream && ClassifyStream(*target, s) && !wasConnected && (events & FD_CONNECT))
        Report(*target, s, FD_CONNECT, 0);
    if (s.idle)
        SchedulePollLocked(*target);
    if (!SyncEpoll(*target, s))
        return false;
    target->sockets[fd] = s;
    target->socketCount.store(target->sockets.size());
    return true;
}

} // namespace orv
