// Threads and synchronisation: worker threads with their own message queue, events,
// re-entrant critical sections.
#pragma once

#include "platform/types.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace orv {

// Re-entrant lock (the same thread may enter again).
class CriticalSection {
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }
    bool TryLock() { return m_mutex.try_lock(); }
    // BasicLockable, so std::lock_guard / std::unique_lock work too.
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

// Auto- or manual-reset event.
class Event {
public:
    explicit Event(bool manualReset = false, bool initiallySet = false);
    void Set();
    void Reset();
    // Waits up to timeoutMs (kInfinite = no limit); true when signalled. An auto-reset event
    // is reset by the wait that it releases.
    bool Wait(std::uint32_t timeoutMs = kInfinite);
    static constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_manual;
    bool m_set;
};

// Thread priorities, best effort (the original's idle..time-critical).
enum class ThreadPriority { Normal, AboveNormal, Highest, TimeCritical };
void SetCurrentThreadPriority(ThreadPriority priority);

// A worker thread with its own message queue. Start() runs InitInstance, then Run (by
// default the message loop until WM_QUIT), then ExitInstance. The exit event is set by the
// destructor. Stop() posts WM_QUIT to the thread and waits up to timeoutMs for it to end;
// returns false when it did not end in time. The thread is never left running on its own:
// Join() (and the destructor) wait until it has ended, so nothing it uses is freed under it.
// A subclass whose thread may block outside its message loop unblocks it in its own Stop
// (shuts its socket down, releases its wait) before calling this one.
class WorkerThread {
public:
    WorkerThread();
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    bool Start();
    bool Stop(std::uint32_t timeoutMs = 5000);
    // Waits until the thread has ended, however long that takes, serving the messages sent
    // to the calling thread meanwhile (the thread may be inside a SendMessage to it).
    void Join();
    ThreadId GetThreadId() const { return m_threadId.load(); }
    bool PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool IsRunning() const { return m_life && m_life->running.load(); }
    Event& ExitEvent() { return m_exitEvent; }

protected:
    virtual bool InitInstance() { return true; } // false ends the thread at once
    virtual int Run();                           // default: message loop until WM_QUIT
    virtual int ExitInstance() { return 0; }

private:
    // What the thread still touches after its last call into this object: shared, so a
    // detached thread can finish even when the object has been deleted.
    struct Lifetime {
        std::atomic<bool> running{true};
        Event finished{true, false};
    };
    void ThreadMain(const std::shared_ptr<Lifetime>& life);
    std::thread m_thread;
    std::atomic<ThreadId> m_threadId{0};
    std::shared_ptr<Lifetime> m_life;
    Event m_started{true, false};
    Event m_exitEvent{true, false};
};

} // namespace orv
