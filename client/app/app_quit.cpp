#include "client/app/app_quit.h"

#include "client/log/log.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace orv {

namespace {

bool g_quitRequested = false;
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    (void)!write(g_signalPipe[1], &byte, 1);
}

} // namespace

bool QuitRequested() { return g_quitRequested; }

void RequestQuit() {
    g_quitRequested = true;
    WriteLog(3, "Quit requested");
    // Ends every running loop of this thread; a loop started afterwards returns at once.
    QCoreApplication::exit(0);
}

QuitSignalWatcher::QuitSignalWatcher(QObject* parent) : QObject(parent) {
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [] {
        char buffer[16];
        while (read(g_signalPipe[0], buffer, sizeof(buffer)) > 0) {
        }
        RequestQuit();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signo : {SIGTERM, SIGINT, SIGHUP}) sigaction(signo, &action, nullptr);
}

QuitSignalWatcher::~QuitSignalWatcher() {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (int signo : {SIGTERM, SIGINT, SIGHUP}) sigaction(signo, &action, nullptr);
}

} // namespace orv
