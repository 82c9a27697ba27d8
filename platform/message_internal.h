// Internals of the message layer shared by its source files (not for use outside platform/).
#pragma once

#include "platform/message.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace orv {

struct ThreadQueue;

// A SendMessage call waiting for the target thread. `done` and `result` are guarded by the
// sender's queue mutex, so the sender can wait on its own condition variable.
struct SentCall {
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<ThreadQueue> sender;
};

struct WindowTimer {
    HWND hwnd = 0;
    std::uintptr_t id = 0;
    std::int64_t periodNs = 0;
    std::int64_t dueNs = 0;
    bool pending = false; // a WM_TIMER for it waits in the queue: never pile up more
};

// One socket in a thread's wait set (see AsyncSelect).
struct SelectedSocket {
    int fd = -1;
    HWND hwnd = 0;
    UINT message = 0;
    long events = 0;
    bool stream = false;
    bool listening = false;
    bool connecting = false;     // a connect has not finished yet
    bool idle = false;           // stream socket not connecting or listening yet: polled
    bool readEnabled = false;    // FD_READ may be posted (cleared until the last one is dispatched)
    bool acceptEnabled = false;
    bool oobEnabled = false;
    bool writeEnabled = false;
    bool finished = false;       // FD_CLOSE or a failed FD_CONNECT reported: nothing more to say
    bool parked = false;         // out of epoll until re-armed (nothing to report right now)
    bool inEpoll = false;
    std::uint32_t interest = 0;  // epoll events currently registered
    std::uint32_t lingering = 0; // kept registered after a report until the socket's next readiness
};

// The message queue of one thread, with its wait set: an eventfd that is readable exactly
// while posted or sent messages wait, a timerfd for window timers and socket polls, and the
// selected sockets. Everything below `mutex` is guarded by it.
struct ThreadQueue {
    ThreadQueue();
    ~ThreadQueue();
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    ThreadId id = 0;
    int epollFd = -1;
    int wakeFd = -1;
    int timerFd = -1;

    std::mutex mutex;
    std::condition_variable sentCv; // a sent call arrived, or one this thread waits for is done
    bool alive = true;              // false once the thread ended: posts and sends fail
    bool wakeSignalled = false;
    // While the owner turns readiness into messages, whose first retrieval follows at once,
    // the wake write is owed rather than made: most such messages are taken before anyone
    // else could look at the wait fd (SettleSignalLocked pays what is still owed).
    bool signalDeferred = false;
    bool signalOwed = false;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentCall>> sent;
    std::vector<WindowTimer> timers;
    std::int64_t socketPollNs = 0; // next poll of idle sockets; 0 = none
    std::int64_t timerArmedNs = -1;
    std::unordered_map<int, SelectedSocket> sockets;
    std::atomic<std::size_t> socketCount{0}; // sockets.size(), readable without the lock

    // Call with mutex held.
    void SignalLocked();          // make wakeFd readable
    void ResetSignalIfEmptyLocked();
    void SettleSignalLocked();    // a deferred signal: made now if messages still wait
    bool PostLocked(const MSG& msg); // false when the thread has ended
    void RearmTimerLocked();      // timerfd to the earliest timer or socket poll
};

std::int64_t MonotonicNs();
// The tick stamped on a posted message: the same clock as GetTickCount at the kernel's coarse
// resolution (a few ms, still finer than the original's), much cheaper per message.
std::uint32_t MessageTime();

// The calling thread's queue, made on first use; null only while the thread is ending.
ThreadQueue* CurrentQueue();
std::shared_ptr<ThreadQueue> CurrentQueueShared();
std::shared_ptr<ThreadQueue> FindThreadQueue(ThreadId id);
std::vector<std::shared_ptr<ThreadQueue>> AllThreadQueues();

// Handle table lookups: the queue of the thread that owns hwnd, null for a dead window.
std::shared_ptr<ThreadQueue> WindowQueue(HWND hwnd);
// Queues msg to the thread that owns msg.hwnd; false for a dead window or an ended thread.
// Lock order: the handle table before a queue, never the other way round.
bool PostToWindow(const MSG& msg);
// Runs the window procedure when hwnd is alive and owned by the calling thread; else 0.
LRESULT CallWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Runs every sent call queued to q (on q's thread).
void ServeSentCalls(ThreadQueue& q);
// Waits up to timeoutMs (-1 = no limit) on q's wait set and turns due timers and socket
// readiness into posted messages. Returns false when the time ran out with nothing ready.
// A retrieval (TakePosted) must follow before the thread leaves the message layer: it pays
// the wake signal deferred while posting.
bool PollWaitSet(ThreadQueue& q, int timeoutMs);

// Timers (timers.cpp): post due WM_TIMERs; a retrieved WM_TIMER allows the next one.
void FireDueTimersLocked(ThreadQueue& q, std::int64_t nowNs);
void OnTimerRetrievedLocked(ThreadQueue& q, const MSG& msg);
void RemoveWindowTimersLocked(ThreadQueue& q, HWND hwnd);

// Sockets (async_select.cpp).
void OnSocketReadyLocked(ThreadQueue& q, int fd, std::uint32_t epollEvents);
void PollIdleSocketsLocked(ThreadQueue& q, std::int64_t nowNs);
void OnSocketMessageDispatched(const MSG& msg);
void RemoveWindowSocketsLocked(ThreadQueue& q, HWND hwnd);

} // namespace orv
