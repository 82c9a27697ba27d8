// handsetctl: drives the virtual handset of a running orvphone or orvcli through the
// control socket in its home folder.
//   handsetctl [--home DIR] COMMAND [ARGS...]      one command, its answer on standard output
//   handsetctl [--home DIR]                        commands from standard input, one a line
// The home folder is --home DIR, else ORV_HOME, else the program folder. Exit status 0 when
// every answer began with "ok", 1 when one did not, 2 when the handset could not be reached.
#include "platform/paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "usage: handsetctl [--home DIR] [COMMAND [ARGS...]]\n"
    "commands: plug | unplug | lift | replace | product N | press KEY... | release |\n"
    "          tap KEY... [reads=N] | dial KEYS | state | dump | write ADDRESS VALUE | fail N\n"
    "keys: 0-9 * # k30 k40 k50 k60, or dial (k40), redial (k50), erase (k60)\n";

int Connect(const std::string& path) {
    sockaddr_un address;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        std::fprintf(stderr, "handsetctl: %s: path too long for a socket\n", path.c_str());
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "handsetctl: no virtual handset at %s: %s\n", path.c_str(), std::strerror(errno));
        if (fd >= 0)
            close(fd);
        return -1;
    }
    return fd;
}

// Sends one line and reads the one-line answer; false when the connection broke.
bool Ask(int fd, const std::string& line, std::string* answer) {
    const std::string out = line + "\n";
    if (send(fd, out.data(), out.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(out.size()))
        return false;
    answer->clear();
    char c = 0;
    while (recv(fd, &c, 1, 0) == 1) {
        if (c == '\n')
            return true;
        answer->push_back(c);
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    if (!orv::InitHomeFolder(argc, argv, &error)) {
        std::fprintf(stderr, "handsetctl: %s\n", error.c_str());
        return 2;
    }
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const int fd = Connect(orv::JoinPath(orv::HomeFolder(), "handset.sock"));
    if (fd < 0)
        return 2;
    int status = 0;
    const auto run = [&](const std::string& line) {
        std::string answer;
        if (!Ask(fd, line, &answer)) {
            std::fprintf(stderr, "handsetctl: the handset went away\n");
            status = 2;
            return false;
        }
        std::printf("%s\n", answer.c_str());
        std::fflush(stdout);
        if (answer.rfind("ok", 0) != 0)
            status = 1;
        return true;
    };
    if (argc > 1) {
        std::string line;
        for (int i = 1; i < argc; ++i)
            line += (i > 1 ? " " : "") + std::string(argv[i]);
        run(line);
    } else {
        for (std::string line; std::getline(std::cin, line);) {
            if (!line.empty() && !run(line))
                break;
        }
    }
    close(fd);
    return status;
}
