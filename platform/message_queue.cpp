// Posting, retrieving and dispatching messages of the calling thread's queue.
#include "platform/message_internal.h"

namespace orv {
namespace {

// Timers and sockets are looked at whenever the queue runs dry, and at least once every
// so many retrieved messages, so a busy queue cannot starve them.
constexpr unsigned kMessagesPerPoll = 256;

__attribute__((tls_model("initial-exec"))) thread_local unsigned t_sincePoll = 0;

enum class Take { Got, SentWaiting, Empty };

Take TakePosted(ThreadQueue& q, MSG* msg, bool remove) {
    std::lock_guard<std::mutex> lock(q.mutex);
    struct Settle { // whatever is returned, a wake owed by the last poll is paid or dropped
        ThreadQueue& q;
        ~Settle() {
            if (q.signalOwed)
                q.SettleSignalLocked();
        }
    } settle{q};
    if (!q.sent.empty())
        return Take::SentWaiting;
    if (q.posted.empty())
        return Take::Empty;
    *msg = q.posted.front();
    if (remove) {
        q.posted.pop_front();
        if (msg->message == WM_TIMER && msg->hwnd != 0)
            OnTimerRetrievedLocked(q, *msg);
        q.ResetSignalIfEmptyLocked();
    }
    return Take::Got;
}

// timeoutMs: 0 = do not wait, -1 = no limit.
bool Retrieve(MSG* msg, bool remove, int timeoutMs) {
    *msg = MSG{};
    ThreadQueue* q = CurrentQueue();
    if (!q)
        return false;
    const std::int64_t deadline = timeoutMs > 0 ? MonotonicNs() + std::int64_t{timeoutMs} * 1000000 : 0;
    bool polled = false;
    for (;;) {
        if (!polled && ++t_sincePoll >= kMessagesPerPoll) {
            t_sincePoll = 0;
            polled = true;
            PollWaitSet(*q, 0);
        }
        const Take taken = TakePosted(*q, msg, remove);
        if (taken == Take::Got)
            return true;
        if (taken == Take::SentWaiting) { // sent messages go before posted ones
            ServeSentCalls(*q);
            continue;
        }
        if (!polled) { // nothing posted: timers or sockets may have something
            t_sincePoll = 0;
            polled = true;
            PollWaitSet(*q, 0);
            continue;
        }
        int waitMs = -1;
        if (timeoutMs == 0)
            return false;
        if (timeoutMs > 0) {
            const std::int64_t left = deadline - MonotonicNs();
            if (left <= 0)
                return false;
            waitMs = static_cast<int>((left + 999999) / 1000000);
        }
        PollWaitSet(*q, waitMs); // whatever woke us has been turned into messages
    }
}

} // namespace

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd)
        return PostToWindow(MSG{hwnd, message, wParam, lParam, MessageTime()});
    ThreadQueue* q = CurrentQueue(); // no window: a thread message to the caller, as on the original
    if (!q)
        return false;
    std::lock_guard<std::mutex> lock(q->mutex);
    return q->PostLocked(MSG{hwnd, message, wParam, lParam, MessageTime()});
}

bool PostThreadMessage(ThreadId thread, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> q = FindThreadQueue(thread);
    if (!q)
        return false;
    std::lock_guard<std::mutex> lock(q->mutex);
    return q->PostLocked(MSG{0, message, wParam, lParam, MessageTime()});
}

void PostQuitMessage(int exitCode) {
    if (ThreadQueue* q = CurrentQueue()) {
        std::lock_guard<std::mutex> lock(q->mutex);
        q->PostLocked(MSG{0, WM_QUIT, static_cast<WPARAM>(exitCode), 0, MessageTime()});
    }
}

bool GetMessage(MSG* msg) {
    if (!Retrieve(msg, true, -1)) { // only when the thread is ending
        msg->message = WM_QUIT;
        return false;
    }
    return msg->message != WM_QUIT;
}

bool PeekMessage(MSG* msg, bool remove) { return Retrieve(msg, remove, 0); }

bool GetMessageTimeout(MSG* msg, std::uint32_t timeoutMs) {
    const int limit = timeoutMs > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(timeoutMs);
    if (!Retrieve(msg, true, limit == 0 ? 0 : limit))
        return false;
    return msg->message != WM_QUIT;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg || msg->hwnd == 0)
        return 0;
    const LRESULT result = CallWindow(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    OnSocketMessageDispatched(*msg); // re-arms FD_READ / FD_ACCEPT / FD_OOB of that socket
    return result;
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessage(&msg))
        DispatchMessage(&msg);
    return static_cast<int>(msg.wParam);
}

} // namespace orv
