// The window handle table: 32-bit handles, never reused, each naming a live window and the
// thread that owns it. Every dispatch looks the handle up again, so a message for a window
// that is gone reaches nobody.
#include "platform/message_internal.h"

#include <string>

namespace orv {
namespace {

struct WindowEntry {
    Window* window = nullptr;
    std::shared_ptr<ThreadQueue> queue;
    std::string title;
    WindowProcFn proc = nullptr; // set in front of the object's WindowProc; null = none
};

struct HandleTable {
    std::mutex mutex; // plain mutex: cheaper than a reader-writer lock for these short lookups
    std::unordered_map<HWND, WindowEntry> windows;
    HWND lastHandle = 0x100; // handles start above small numbers that are easy to mistake for ids
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable; // never destroyed: windows may outlive statics
    return *table;
}

// Drops what the window's thread still holds for it: queued messages, timers, sockets.
void ForgetWindowInQueue(ThreadQueue& q, HWND hwnd) {
    std::lock_guard<std::mutex> lock(q.mutex);
    std::erase_if(q.posted, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
    RemoveWindowTimersLocked(q, hwnd);
    RemoveWindowSocketsLocked(q, hwnd);
    q.ResetSignalIfEmptyLocked();
}

} // namespace

Window::~Window() { RemoveHandle(false); }

HWND Window::Create(const char* title) {
    if (m_hWnd)
        return 0;
    auto q = CurrentQueueShared();
    if (!q)
        return 0;
    HandleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (table.lastHandle == 0xFFFFFFFFu)
        return 0; // every handle used once: never hand one out again
    const HWND hwnd = ++table.lastHandle;
    table.windows.emplace(hwnd, WindowEntry{this, q, title ? title : ""});
    m_hWnd = hwnd;
    m_owner = q->id;
    return hwnd;
}

void Window::Destroy() { RemoveHandle(true); }

void Window::RemoveHandle(bool notify) {
    if (!m_hWnd || m_destroying)
        return;
    m_destroying = true;
    if (notify && m_owner == GetCurrentThreadId())
        WindowProc(WM_DESTROY, 0, 0);
    const HWND hwnd = m_hWnd;
    std::shared_ptr<ThreadQueue> q;
    {
        std::lock_guard<std::mutex> lock(Table().mutex);
        const auto it = Table().windows.find(hwnd);
        if (it != Table().windows.end()) {
            q = std::move(it->second.queue);
            Table().windows.erase(it);
        }
    }
    if (q)
        ForgetWindowInQueue(*q, hwnd);
    m_hWnd = 0;
    m_destroying = false;
}

LRESULT Window::WindowProc(UINT, WPARAM, LPARAM) { return 0; }

FunctionWindow::~FunctionWindow() = default; // ~Window takes the handle away

LRESULT FunctionWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_proc ? m_proc(message, wParam, lParam) : 0;
}

bool IsWindow(HWND hwnd) {
    std::lock_guard<std::mutex> lock(Table().mutex);
    return Table().windows.count(hwnd) != 0;
}

HWND FindWindow(const char* title) {
    if (!title)
        return 0;
    std::lock_guard<std::mutex> lock(Table().mutex);
    HWND found = 0;
    for (const auto& [hwnd, entry] : Table().windows) {
        if (entry.title == title && (found == 0 || hwnd < found))
            found = hwnd;
    }
    return found;
}

ThreadId GetWindowThreadId(HWND hwnd) {
    std::lock_guard<std::mutex> lock(Table().mutex);
    const auto it = Table().windows.find(hwnd);
    return it == Table().windows.end() ? 0 : it->second.queue->id;
}

std::shared_ptr<ThreadQueue> WindowQueue(HWND hwnd) {
    std::lock_guard<std::mutex> lock(Table().mutex);
    const auto it = Table().windows.find(hwnd);
    return it == Table().windows.end() ? nullptr : it->second.queue;
}

bool PostToWindow(const MSG& msg) {
    // Under the table lock, so the window cannot change hands between lookup and queueing.
    std::lock_guard<std::mutex> lock(Table().mutex);
    const auto it = Table().windows.find(msg.hwnd);
    if (it == Table().windows.end())
        return false;
    ThreadQueue& q = *it->second.queue;
    std::lock_guard<std::mutex> queueLock(q.mutex);
    return q.PostLocked(msg);
}

WindowProcFn SetWindowProc(HWND hwnd, WindowProcFn proc) {
    if (!proc)
        return nullptr;
    std::lock_guard<std::mutex> lock(Table().mutex);
    const auto it = Table().windows.find(hwnd);
    if (it == Table().windows.end())
        return nullptr;
    WindowProcFn previous = it->second.proc ? it->second.proc : &CallWindowObject;
    it->second.proc = proc == &CallWindowObject ? nullptr : proc;
    return previous;
}

LRESULT CallWindowProc(WindowProcFn proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

LRESULT CallWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ThreadQueue* self = CurrentQueue();
    WindowProcFn proc = nullptr;
    {
        std::lock_guard<std::mutex> lock(Table().mutex);
        const auto it = Table().windows.find(hwnd);
        if (it == Table().windows.end() || it->second.queue.get() != self)
            return 0;
        proc = it->second.proc;
    }
    return proc ? proc(hwnd, message, wParam, lParam) : CallWindowObject(hwnd, message, wParam, lParam);
}

LRESULT CallWindowObject(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ThreadQueue* self = CurrentQueue();
    Window* window = nullptr;
    {
        std::lock_guard<std::mutex> lock(Table().mutex);
        const auto it = Table().windows.find(hwnd);
        if (it == Table().windows.end() || it->second.queue.get() != self)
            return 0;
        window = it->second.window;
    }
    // Only the owner thread destroys the window, and it is busy here: the pointer stays valid
    // until WindowProc itself destroys the window (nothing touches it after the call).
    return window->WindowProc(message, wParam, lParam);
}

} // namespace orv
