#include "handsetsys/control_server.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace orv::handsetsys {
namespace {

bool MakeAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size());
    return true;
}

bool SomeoneListens(const sockaddr_un& address) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool live = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return live;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool ControlServer::Start(const std::string& path, std::string* error) {
    sockaddr_un address;
    if (!MakeAddress(path, &address)) {
        *error = path + ": path too long for a socket";
        return false;
    }
    if (SomeoneListens(address)) {
        *error = path + ": another process controls a handset here";
        return false;
    }
    unlink(path.c_str());
    m_listen = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0 || bind(m_listen, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listen, 4) != 0 || pipe2(m_wake, O_CLOEXEC) != 0) {
        *error = path + ": " + std::strerror(errno);
        Stop();
        return false;
    }
    m_path = path;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void ControlServer::Stop() {
    if (m_thread.joinable()) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(m_wake[1], &byte, 1);
        m_thread.join();
    }
    for (int* fd : {&m_listen, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
    if (!m_path.empty())
        unlink(m_path.c_str());
    m_path.clear();
}

bool ControlServer::WaitReadable(int fd) const {
    for (;;) {
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {fd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (fds[0].revents)
            return false; // Stop() was called
        if (fds[1].revents)
            return true;
    }
}

void ControlServer::Serve() {
    while (WaitReadable(m_listen)) {
        const int client = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            ServeClient(client);
            close(client);
        }
    }
}

void ControlServer::ServeClient(int fd) {
    std::string pending;
    char buffer[256];
    while (WaitReadable(fd)) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!WriteAll(fd, RunControlCommand(m_handset, m_actions, line) + "\n"))
                return;
        }
        if (pending.size() > kMaxLine) {
            WriteAll(fd, "error line too long\n");
            return;
        }
    }
}

} // namespace orv::handsetsys
