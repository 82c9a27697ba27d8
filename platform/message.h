// The message layer: windows as message targets, one message queue per thread,
// posted and sent messages, registered messages, window timers and socket readiness.
//
// Everything here lives in the shared library orvplatform, so the link libraries and the
// programs that load them see one handle table and one set of queues.
//
// Rules:
// - A window belongs to the thread that created it; its WindowProc runs only on that thread.
// - A thread gets its queue on first use of any call below.
// - Posted messages to one queue are retrieved in posting order.
// - SendMessage to a window of the calling thread is a direct call. To a window of another
//   thread it queues the call and blocks until the owner ran it; while waiting, the sender
//   keeps running messages *sent* to its own windows, so two threads sending to each other
//   never deadlock. Sent messages are served before posted ones whenever a thread retrieves
//   messages (GetMessage, PeekMessage, or while itself waiting in SendMessage).
// - A message to a destroyed window is dropped: posts fail or are discarded at dispatch,
//   sends return 0. A handle is never reused while the process runs.
#pragma once

#include "platform/types.h"

#include <functional>

namespace orv {

// A window: subclass and override WindowProc. Create() makes the handle on the calling
// thread; Destroy() (or the destructor) removes it from the table. Must be destroyed on its
// own thread. Messages already queued for it are then discarded.
class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Makes the hidden window; the title is kept for FindWindow-style lookups and logs.
    // Returns the new handle, 0 on failure (already created).
    HWND Create(const char* title = "");
    // WindowProc gets WM_DESTROY while the handle is still valid; then the handle is gone,
    // with the window's queued messages, timers and selected sockets. The destructor does the
    // same without WM_DESTROY (a subclass's members are already gone by then).
    void Destroy();
    HWND GetSafeHwnd() const { return m_hWnd; }
    ThreadId OwnerThread() const { return m_owner; }

protected:
    // Default: returns 0 for every message.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    friend LRESULT CallWindow(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CallWindowObject(HWND, UINT, WPARAM, LPARAM);
    void RemoveHandle(bool notify);
    HWND m_hWnd = 0;
    ThreadId m_owner = 0;
    bool m_destroying = false;
};

// A window whose procedure is a function object (handy for small hidden windows and tests).
class FunctionWindow : public Window {
public:
    using Proc = std::function<LRESULT(UINT, WPARAM, LPARAM)>;
    explicit FunctionWindow(Proc proc) : m_proc(std::move(proc)) {}
    ~FunctionWindow() override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    Proc m_proc;
};

// A window procedure as a plain function, for code that takes over the messages of a window
// it did not make (a library bound to a caller's window).
using WindowProcFn = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
// Puts proc in front of hwnd's procedure and returns the one it replaces (a window's own
// WindowProc is returned as CallWindowObject). Null, and nothing changed, for a dead window
// or a null proc. The new procedure runs on the window's thread; it passes messages on with
// CallWindowProc(previous, ...).
WindowProcFn SetWindowProc(HWND hwnd, WindowProcFn proc);
LRESULT CallWindowProc(WindowProcFn proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The window object's own WindowProc, whatever procedure is set in front of it.
LRESULT CallWindowObject(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

bool IsWindow(HWND hwnd);
// The live window with this title (the first one made), 0 when there is none.
HWND FindWindow(const char* title);
ThreadId GetWindowThreadId(HWND hwnd); // 0 when the handle is not a live window
ThreadId GetCurrentThreadId();         // also makes the calling thread known to the layer

// Same name, same id, from 0xC000 up; 0 for a null or empty name.
UINT RegisterWindowMessage(const char* name);

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
bool PostThreadMessage(ThreadId thread, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode); // WM_QUIT with wParam = exitCode to the calling thread
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Blocks until a message arrives; false when it is WM_QUIT (the message is still filled in).
bool GetMessage(MSG* msg);
// PM_REMOVE semantics when remove is true; never blocks. Runs sent messages and due
// timers/socket readiness first, like GetMessage.
bool PeekMessage(MSG* msg, bool remove = true);
// Like GetMessage but gives up after timeoutMs (returns false and msg->message = WM_NULL).
bool GetMessageTimeout(MSG* msg, std::uint32_t timeoutMs);
// Calls the target window's WindowProc (thread messages and dead windows: returns 0).
LRESULT DispatchMessage(const MSG* msg);
// Runs GetMessage/DispatchMessage until WM_QUIT; returns its exit code.
int RunMessageLoop();

// A file descriptor that becomes readable whenever the calling thread's queue has something
// to retrieve (posted or sent message, due timer, socket readiness). Lets another event loop
// (Qt's, through a socket notifier) drain the queue with PeekMessage/DispatchMessage.
int GetQueueWaitFd();

// Window timers: WM_TIMER with wParam = id is posted to hwnd every elapseMs until killed.
// Setting an existing id on the same window restarts it. Returns id, or 0 on failure.
std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, std::uint32_t elapseMs);
bool KillTimer(HWND hwnd, std::uintptr_t id);

// Socket readiness as window messages (asynchronous select). The socket joins the wait set
// of the thread that owns hwnd (callable from any thread); readiness is posted to hwnd as
// `message` with wParam = fd and lParam = MakeLParam(event, error). Events:
constexpr long FD_READ = 0x01;
constexpr long FD_WRITE = 0x02;
constexpr long FD_OOB = 0x04;
constexpr long FD_ACCEPT = 0x08;
constexpr long FD_CONNECT = 0x10;
constexpr long FD_CLOSE = 0x20;
// Semantics:
// - FD_READ / FD_ACCEPT: posted when readable; not posted again until that message has been
//   dispatched; posted again after dispatch while data (or a connection) still waits.
// - FD_WRITE: posted once when the socket is writable after this call (for a connecting
//   stream socket: after the connection is up); calling AsyncSelect again re-enables it.
// - FD_CONNECT: posted once when a non-blocking connect finishes; error = the socket error
//   (0 on success, e.g. ECONNREFUSED on failure).
// - FD_CLOSE: posted once when the peer closed or the socket failed (error 0 for an orderly
//   close), after the data still waiting has been reported readable.
// - A stream socket that joins with FD_CONNECT while already connected (a connect to this
//   machine may finish before this call) gets FD_CONNECT with error 0 once.
// - The socket is switched to non-blocking mode.
// - mask 0 or hwnd 0 removes the socket from the wait set (also do this before close()).
bool AsyncSelect(int fd, HWND hwnd, UINT message, long events);

} // namespace orv
