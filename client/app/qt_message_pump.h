// The user-interface thread's platform message queue, drained inside Qt's event loop.
//
// The handlers and the network thread talk to the windows of the user-interface thread
// through posted and sent platform messages. Qt owns that thread's event loop, so a socket
// notifier watches the queue's wait fd and runs the platform messages whenever it turns
// readable. Every Qt loop (QApplication::exec and each modal QDialog::exec) serves the
// notifier, so platform messages keep flowing while a modal dialog is open.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace orv {

class QtMessagePump : public QObject {
public:
    // Must be made on the thread whose queue it drains (the thread Qt runs on), after the
    // QCoreApplication exists.
    explicit QtMessagePump(QObject* parent = nullptr);
    ~QtMessagePump() override;

    // Runs what the calling thread's queue holds now, at most `limit` messages; returns how
    // many ran. A WM_QUIT ends the Qt event loop with its exit code.
    static int Drain(int limit = kMessagesPerWake);

    static constexpr int kMessagesPerWake = 256;

private:
    void OnReadable();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace orv
