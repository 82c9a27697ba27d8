// A request to end the program from outside (SIGTERM, SIGINT, SIGHUP): every Qt loop ends
// (open dialogs and the main window return, later ones return at once), so the program
// leaves through its normal exit order.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace orv {

bool QuitRequested();
void RequestQuit();

// Turns the termination signals into RequestQuit on the Qt thread (self-pipe and notifier).
class QuitSignalWatcher : public QObject {
public:
    explicit QuitSignalWatcher(QObject* parent = nullptr);
    ~QuitSignalWatcher() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace orv
