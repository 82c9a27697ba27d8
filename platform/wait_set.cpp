// The wait set of a thread's queue: one epoll over the wake-up eventfd, the timer timerfd
// and the selected sockets. Readiness is turned into posted messages here.
#include "platform/message_internal.h"

#include <cerrno>
#include <sys/epoll.h>
#include <unistd.h>

namespace orv {

bool PollWaitSet(ThreadQueue& q, int timeoutMs) {
    epoll_event events[32];
    const int n = epoll_wait(q.epollFd, events, 32, timeoutMs);
    if (n <= 0)
        return false; // time out, or EINTR: the caller loops and looks again
    std::lock_guard<std::mutex> lock(q.mutex);
    q.signalDeferred = true; // the caller retrieves next, and settles the signal there
    for (int i = 0; i < n; ++i) {
        const int fd = events[i].data.fd;
        if (fd == q.wakeFd)
            continue; // reset only when the queue is empty (see ResetSignalIfEmptyLocked)
        if (fd == q.timerFd) {
            std::uint64_t expirations = 0;
            (void)!read(q.timerFd, &expirations, sizeof expirations);
            q.timerArmedNs = -1; // consumed: the next RearmTimerLocked sets it again
            const std::int64_t now = MonotonicNs();
            FireDueTimersLocked(q, now);
            if (q.socketPollNs != 0 && q.socketPollNs <= now)
                PollIdleSocketsLocked(q, now);
            q.RearmTimerLocked();
            continue;
        }
        OnSocketReadyLocked(q, fd, events[i].events);
    }
    q.signalDeferred = false;
    return true;
}

} // namespace orv
