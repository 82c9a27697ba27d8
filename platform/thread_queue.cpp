// One message queue per thread: made on first use, registered by thread id, ended with the
// thread (posts to it then fail and senders waiting on it get 0).
#include "platform/message_internal.h"

#include <atomic>
#include <ctime>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace orv {
namespace {

struct QueueRegistry {
    std::mutex mutex;
    std::unordered_map<ThreadId, std::shared_ptr<ThreadQueue>> queues;
    std::atomic<ThreadId> nextId{1};
};

QueueRegistry& Registry() {
    static QueueRegistry* registry = new QueueRegistry; // never destroyed: threads may outlive statics
    return *registry;
}

void AddToEpoll(int epollFd, int fd) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &ev);
}

void EndQueue(const std::shared_ptr<ThreadQueue>& q) {
    {
        std::lock_guard<std::mutex> lock(Registry().mutex);
        Registry().queues.erase(q->id);
    }
    std::deque<std::shared_ptr<SentCall>> orphans;
    {
        std::lock_guard<std::mutex> lock(q->mutex);
        q->alive = false;
        q->posted.clear();
        orphans.swap(q->sent);
        q->timers.clear();
    }
    for (auto& call : orphans) {
        std::lock_guard<std::mutex> lock(call->sender->mutex);
        call->result = 0;
        call->done = true;
        call->sender->sentCv.notify_all();
    }
}

// Initial-exec TLS: this library is linked at load time, and these are read on every message.
#define ORV_FAST_TLS __attribute__((tls_model("initial-exec")))

ORV_FAST_TLS thread_local bool t_ending = false; // trivially destructible: readable even after t_holder ended

// Owns the calling thread's queue; ends it when the thread ends.
struct ThreadQueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~ThreadQueueHolder() {
        t_ending = true; // from here on the thread has no queue (late calls fail quietly)
        if (queue)
            EndQueue(queue);
    }
};

ORV_FAST_TLS thread_local ThreadQueueHolder t_holder;

} // namespace

std::int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

std::uint32_t MessageTime() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

ThreadQueue::ThreadQueue() {
    epollFd = epoll_create1(EPOLL_CLOEXEC);
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    AddToEpoll(epollFd, wakeFd);
    AddToEpoll(epollFd, timerFd);
}

ThreadQueue::~ThreadQueue() {
    for (int fd : {timerFd, wakeFd, epollFd}) {
        if (fd >= 0)
            close(fd);
    }
}

void ThreadQueue::SignalLocked() {
    if (wakeSignalled)
        return;
    if (signalDeferred) {
        signalOwed = true;
        return;
    }
    const std::uint64_t one = 1;
    (void)!write(wakeFd, &one, sizeof one);
    wakeSignalled = true;
}

void ThreadQueue::ResetSignalIfEmptyLocked() {
    if (!wakeSignalled || !posted.empty() || !sent.empty())
        return;
    std::uint64_t count = 0;
    (void)!read(wakeFd, &count, sizeof count);
    wakeSignalled = false;
}

void ThreadQueue::SettleSignalLocked() {
    if (!signalOwed)
        return;
    signalOwed = false;
    if (!posted.empty() || !sent.empty())
        SignalLocked();
}

bool ThreadQueue::PostLocked(const MSG& msg) {
    if (!alive)
        return false;
    posted.push_back(msg);
    SignalLocked();
    return true;
}

void ThreadQueue::RearmTimerLocked() {
    std::int64_t due = socketPollNs > 0 ? socketPollNs : 0;
    for (const auto& t : timers) {
        if (due == 0 || t.dueNs < due)
            due = t.dueNs;
    }
    if (due == timerArmedNs)
        return;
    timerArmedNs = due;
    itimerspec dueTime{};
    if (due > 0) { // an absolute time of 0 would disarm: clamp to at least 1 ns
        dueTime.it_value.tv_sec = static_cast<time_t>(due / 1000000000);
        dueTime.it_value.tv_nsec = static_cast<long>(due % 1000000000);
        if (dueTime.it_value.tv_sec == 0 && dueTime.it_value.tv_nsec == 0)
            dueTime.it_value.tv_nsec = 1;
    }
    timerfd_settime(timerFd, TFD_TIMER_ABSTIME, &dueTime, nullptr);
}

ThreadQueue* CurrentQueue() {
    if (t_ending)
        return nullptr;
    if (!t_holder.queue) {
        auto q = std::make_shared<ThreadQueue>();
        q->id = Registry().nextId.fetch_add(1);
        {
            std::lock_guard<std::mutex> lock(Registry().mutex);
            Registry().queues[q->id] = q;
        }
        t_holder.queue = std::move(q);
    }
    return t_holder.queue.get();
}

std::shared_ptr<ThreadQueue> CurrentQueueShared() {
    if (!CurrentQueue())
        return nullptr;
    return t_holder.queue;
}

std::shared_ptr<ThreadQueue> FindThreadQueue(ThreadId id) {
    std::lock_guard<std::mutex> lock(Registry().mutex);
    const auto it = Registry().queues.find(id);
    return it == Registry().queues.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<ThreadQueue>> AllThreadQueues() {
    std::lock_guard<std::mutex> lock(Registry().mutex);
    std::vector<std::shared_ptr<ThreadQueue>> all;
    all.reserve(Registry().queues.size());
    for (const auto& entry : Registry().queues)
        all.push_back(entry.second);
    return all;
}

ThreadId GetCurrentThreadId() {
    ThreadQueue* q = CurrentQueue();
    return q ? q->id : 0;
}

int GetQueueWaitFd() {
    ThreadQueue* q = CurrentQueue();
    return q ? q->epollFd : -1;
}

} // namespace orv
