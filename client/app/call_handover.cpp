#include "client/app/call_handover.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace orv {

namespace {

constexpr std::size_t kMaxNumber = 32;
constexpr std::size_t kMaxRequest = 64; // "CALL " + number + "\n", with room to spare
constexpr int kReadTimeoutMs = 500;     // a same-user peer that connects and says nothing
constexpr char kSocketName[] = "orvphone-call.sock";

bool FitsSocketPath(const std::string& path) { return !path.empty() && path.size() < sizeof(sockaddr_un{}.sun_path); }

sockaddr_un SocketAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    return address;
}

// A folder of ours that nobody else may enter.
bool PrivateFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st{};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 0077) == 0;
}

// Reads until a line ends, the limit is reached or the time is up; the line without "\n".
bool ReadLine(int fd, std::string* line, int timeoutMs) {
    char buffer[kMaxRequest];
    std::size_t size = 0;
    while (size < sizeof buffer) {
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, timeoutMs) <= 0) return false;
        const ssize_t n = ::recv(fd, buffer + size, sizeof buffer - size, 0);
        if (n <= 0) return false;
        size += static_cast<std::size_t>(n);
        if (const void* end = std::memchr(buffer, '\n', size)) {
            line->assign(buffer, static_cast<const char*>(end) - buffer);
            return true;
        }
    }
    return false;
}

bool SendAll(int fd, const std::string& text) {
    return ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

int ConnectTo(const std::string& path) {
    if (!FitsSocketPath(path)) return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const sockaddr_un address = SocketAddress(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool IsDialableNumber(const std::string& text) {
    if (text.empty() || text.size() > kMaxNumber) return false;
    for (char c : text) {
        if (!(c >= '0' && c <= '9') && c != '*' && c != '#') return false;
    }
    return true;
}

std::string CallLinkNumber(const std::string& argument) {
    std::string rest;
    for (const char* scheme : {"tel:", "orv:"}) {
        if (argument.size() >= 4 && strncasecmp(argument.c_str(), scheme, 4) == 0) rest = argument.substr(4);
    }
    if (rest.rfind("//", 0) == 0) rest.erase(0, 2);
    std::string number;
    for (char c : rest) {
        if (c == '-' || c == '.' || c == ' ' || c == '(' || c == ')') continue;
        number += c;
        if (number.size() > kMaxNumber) return "";
    }
    return IsDialableNumber(number) ? number : "";
}

std::string CallHandoverSocketPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (runtime != nullptr && runtime[0] == '/') {
        folder = runtime;
    } else {
        folder = "/tmp/orvphone-" + std::to_string(::getuid());
        if (!PrivateFolder(folder)) return "";
    }
    const std::string path = folder + "/" + kSocketName;
    return FitsSocketPath(path) ? path : "";
}

bool SendCallHandover(const std::string& path, const std::string& number, int timeoutMs) {
    if (!IsDialableNumber(number)) return false;
    const int fd = ConnectTo(path);
    if (fd < 0) return false;
    std::string answer;
    const bool ok = SendAll(fd, "CALL " + number + "\n") && ReadLine(fd, &answer, timeoutMs) && answer == "OK";
    ::close(fd);
    return ok;
}

CallHandoverListener::CallHandoverListener(std::function<void(const std::string&)> onNumber)
    : onNumber_(std::move(onNumber)) {}

CallHandoverListener::~CallHandoverListener() {
    delete notifier_;
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
}

bool CallHandoverListener::Listen(const std::string& path, std::string* error) {
    if (!FitsSocketPath(path)) {
        *error = "no folder for the hand-over socket";
        return false;
    }
    // A socket that still answers belongs to a running copy; one that does not is stale.
    if (const int other = ConnectTo(path); other >= 0) {
        ::close(other);
        *error = "another copy listens on " + path;
        return false;
    }
    ::unlink(path.c_str());
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const sockaddr_un address = SocketAddress(path);
    const mode_t oldMask = ::umask(0077); // only this user may connect
    const bool bound = fd_ >= 0 && ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(oldMask);
    if (!bound || ::listen(fd_, 4) != 0) {
        *error = std::string("cannot listen on ") + path + ": " + std::strerror(errno);
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        return false;
    }
    path_ = path;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { Accept(); });
    return true;
}

void CallHandoverListener::Accept() {
    const int peer = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) return;
    ucred credentials{};
    socklen_t size = sizeof credentials;
    std::string line;
    const bool sameUser = ::getsockopt(peer, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
                          credentials.uid == ::getuid();
    std::string number;
    if (sameUser && ReadLine(peer, &line, kReadTimeoutMs) && line.rfind("CALL ", 0) == 0) number = line.substr(5);
    if (IsDialableNumber(number)) {
        SendAll(peer, "OK\n");
        ::close(peer);
        onNumber_(number);
        return;
    }
    SendAll(peer, "ERROR\n");
    ::close(peer);
}

} // namespace orv
