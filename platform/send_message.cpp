// SendMessage: a direct call on the window's own thread; from another thread the call is
// queued to the owner and the sender waits, serving calls sent to its own windows meanwhile.
#include "platform/message_internal.h"

namespace orv {
namespace {

void Complete(SentCall& call, LRESULT result) {
    ThreadQueue& sender = *call.sender;
    std::lock_guard<std::mutex> lock(sender.mutex);
    call.result = result;
    call.done = true;
    sender.sentCv.notify_all();
}

} // namespace

void ServeSentCalls(ThreadQueue& q) {
    for (;;) {
        std::shared_ptr<SentCall> call;
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            if (q.sent.empty())
                return;
            call = std::move(q.sent.front());
            q.sent.pop_front();
            q.ResetSignalIfEmptyLocked();
        }
        Complete(*call, CallWindow(call->hwnd, call->message, call->wParam, call->lParam));
    }
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> target = WindowQueue(hwnd);
    std::shared_ptr<ThreadQueue> self = CurrentQueueShared();
    if (!target || !self)
        return 0;
    if (target == self)
        return CallWindow(hwnd, message, wParam, lParam);

    auto call = std::make_shared<SentCall>();
    call->hwnd = hwnd;
    call->message = message;
    call->wParam = wParam;
    call->lParam = lParam;
    call->sender = self;
    {
        std::lock_guard<std::mutex> lock(target->mutex);
        if (!target->alive)
            return 0;
        target->sent.push_back(call);
        target->SignalLocked();
        target->sentCv.notify_all(); // the owner may itself be waiting in SendMessage
    }
    for (;;) {
        ServeSentCalls(*self);
        std::unique_lock<std::mutex> lock(self->mutex);
        if (call->done) {
            call->sender.reset(); // breaks the call <-> queue cycle
            return call->result;
        }
        if (self->sent.empty())
            self->sentCv.wait(lock);
    }
}

} // namespace orv
