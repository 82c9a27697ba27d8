// Handing a number to dial from a new start of orvphone ("orvphone tel:8002", "--call 8002")
// to the copy that already runs. The running copy listens on a Unix socket in a folder only
// its user can enter; a start with a number connects, sends "CALL <number>\n", waits a
// bounded time for "OK\n" and ends quietly. A plain second start is refused as before.
#pragma once

#include <QObject>

#include <functional>
#include <string>

class QSocketNotifier;

namespace orv {

// The number a command-line argument asks to dial: "tel:8002", "tel://8002", "orv:8002",
// "orv://8002" (visual separators "-", ".", " ", "(", ")" dropped), or empty when the
// argument is no such link or holds anything but digits, "*" and "#" (at most 32).
std::string CallLinkNumber(const std::string& argument);
// True when text is a number the client may dial: 1..32 of digits, "*" and "#".
bool IsDialableNumber(const std::string& text);

// The socket's path: "$XDG_RUNTIME_DIR/orvphone-call.sock" when that folder is set, else
// "/tmp/orvphone-<uid>/call.sock" (the folder made private to the user). Empty when no
// folder owned by this user and closed to others can be had.
std::string CallHandoverSocketPath();

// Sends number to the copy listening at path; true once that copy acknowledged it.
bool SendCallHandover(const std::string& path, const std::string& number, int timeoutMs = 3000);

// The running copy's side: listens while it lives and calls onNumber on the Qt thread for
// every number a connection of the same user hands over.
class CallHandoverListener : public QObject {
public:
    explicit CallHandoverListener(std::function<void(const std::string&)> onNumber);
    ~CallHandoverListener() override;

    // Binds the socket (a stale one nobody answers on is replaced). False with a reason when
    // it cannot; the client then runs without hand-over.
    bool Listen(const std::string& path, std::string* error);

private:
    void Accept();

    std::function<void(const std::string&)> onNumber_;
    std::string path_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace orv
