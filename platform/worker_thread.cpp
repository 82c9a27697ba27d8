// Worker threads with their own message queue.
#include "platform/message.h"
#include "platform/thread.h"

namespace orv {

WorkerThread::WorkerThread() = default;

WorkerThread::~WorkerThread() {
    // A subclass should have stopped the thread already: its Run may use members that are
    // gone by now. This is the last chance not to leave a joinable std::thread behind.
    if (m_thread.joinable()) {
        if (std::this_thread::get_id() == m_thread.get_id()) {
            m_thread.detach(); // deleted by its own thread: it touches nothing of *this after this
        } else if (!Stop()) {
            Join();
        }
    }
    m_exitEvent.Set();
}

bool WorkerThread::Start() {
    if (m_thread.joinable() || IsRunning())
        return false;
    m_started.Reset();
    m_life = std::make_shared<Lifetime>();
    m_thread = std::thread([this, life = m_life] { ThreadMain(life); });
    m_started.Wait(); // the queue exists before Start returns, so posts cannot get lost
    return true;
}

void WorkerThread::ThreadMain(const std::shared_ptr<Lifetime>& life) {
    m_threadId.store(GetCurrentThreadId()); // makes the thread's queue
    m_started.Set();
    if (InitInstance())
        Run();
    ExitInstance();
    life->running.store(false); // the last touch of *this
    life->finished.Set();
}

int WorkerThread::Run() { return RunMessageLoop(); }

bool WorkerThread::Stop(std::uint32_t timeoutMs) {
    if (!m_thread.joinable())
        return true;
    if (std::this_thread::get_id() == m_thread.get_id()) {
        PostQuitMessage(0); // cannot wait for itself: it ends when it returns to its loop
        return false;
    }
    orv::PostThreadMessage(m_threadId.load(), WM_QUIT, 0, 0);
    if (!m_life->finished.Wait(timeoutMs))
        return false; // still joinable: Join or the destructor waits for it
    m_thread.join();
    return true;
}

void WorkerThread::Join() {
    if (!m_thread.joinable() || std::this_thread::get_id() == m_thread.get_id())
        return;
    constexpr std::uint32_t kServeSentMs = 10;
    while (!m_life->finished.Wait(kServeSentMs)) {
        MSG msg;
        PeekMessage(&msg, false);
    }
    m_thread.join();
}

bool WorkerThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const ThreadId id = m_threadId.load();
    return id != 0 && orv::PostThreadMessage(id, message, wParam, lParam);
}

} // namespace orv
