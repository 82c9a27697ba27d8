#include "client/app/qt_message_pump.h"

#include "platform/message.h"

#include <QCoreApplication>
#include <QSocketNotifier>

namespace orv {

QtMessagePump::QtMessagePump(QObject* parent) : QObject(parent) {
    const int fd = GetQueueWaitFd();
    if (fd < 0) return;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { OnReadable(); });
    // Messages posted before the notifier existed do not make the fd readable again.
    Drain();
}

QtMessagePump::~QtMessagePump() = default;

int QtMessagePump::Drain(int limit) {
    int ran = 0;
    MSG msg;
    // A bounded batch: a window that keeps posting to itself cannot starve Qt's own events;
    // the wait fd stays readable and the notifier calls again.
    while (ran < limit && PeekMessage(&msg, true)) {
        ++ran;
        if (msg.message == WM_QUIT) {
            QCoreApplication::exit(static_cast<int>(msg.wParam));
            break;
        }
        DispatchMessage(&msg);
    }
    return ran;
}

void QtMessagePump::OnReadable() {
    // A dispatched message may run a modal loop of its own, in which this notifier fires
    // again: that nested call drains on, and this one finds the queue emptier when it resumes.
    Drain();
}

} // namespace orv
