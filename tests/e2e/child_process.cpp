#include "tests/e2e/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace orv {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool StartsWith(const std::string& line, const std::string& prefix) { return line.rfind(prefix, 0) == 0; }
bool Contains(const std::string& line, const std::string& text) { return line.find(text) != std::string::npos; }

} // namespace

std::string ProgramPath(const std::string& name) { return std::string(ORV_BIN_DIR) + "/" + name; }

ChildProcess::~ChildProcess() {
    Kill();
    if (m_in >= 0) close(m_in);
    if (m_out >= 0) close(m_out);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& stderrFile) {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    // The child starts with no signal blocked, whatever the test runner's threads block.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawn(&m_pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(in[0]);
    close(out[1]);
    m_in = in[1];
    m_out = out[0];
    if (rc != 0) {
        m_pid = -1;
        return false;
    }
    return true;
}

bool ChildProcess::WriteLine(const std::string& line) {
    if (m_in < 0) return false;
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(m_in, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void ChildProcess::CloseInput() {
    if (m_in >= 0) close(m_in);
    m_in = -1;
}

bool ChildProcess::ReadSome(int timeoutMs) {
    if (m_out < 0) return false;
    pollfd p{m_out, POLLIN, 0};
    const int ready = poll(&p, 1, timeoutMs);
    if (ready <= 0) return ready == 0 || errno == EINTR;
    char buffer[4096];
    const ssize_t n = read(m_out, buffer, sizeof buffer);
    if (n <= 0) {
        close(m_out);
        m_out = -1;
        return false;
    }
    m_partial.append(buffer, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = m_partial.find('\n')) != std::string::npos) {
        const std::string line = m_partial.substr(0, end);
        m_partial.erase(0, end + 1);
        m_pending.push_back(line);
        m_all.push_back(line);
    }
    return true;
}

bool ChildProcess::WaitFor(bool (*matches)(const std::string&, const std::string&), const std::string& what,
                           int timeoutMs, std::string* line) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
            if (matches(*it, what)) {
                if (line != nullptr) *line = *it;
                m_pending.erase(it);
                return true;
            }
        }
        if (MsLeft(deadline) == 0 || !ReadSome(MsLeft(deadline))) return false;
    }
}

bool ChildProcess::WaitForLine(const std::string& prefix, int timeoutMs, std::string* line) {
    return WaitFor(StartsWith, prefix, timeoutMs, line);
}

bool ChildProcess::WaitForText(const std::string& text, int timeoutMs, std::string* line) {
    return WaitFor(Contains, text, timeoutMs, line);
}

std::string ChildProcess::Output() const {
    std::string all;
    for (const std::string& l : m_all) all += l + "\n";
    return all + m_partial;
}

void ChildProcess::Signal(int signo) {
    if (m_pid > 0) kill(m_pid, signo);
}

bool ChildProcess::WaitExit(int timeoutMs, int* status) {
    if (m_pid <= 0) return true;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int st = 0;
        const pid_t r = waitpid(m_pid, &st, WNOHANG);
        if (r == m_pid) {
            m_pid = -1;
            if (status != nullptr) *status = st;
            return true;
        }
        if (r < 0 || MsLeft(deadline) == 0) return false;
        // Drain output meanwhile, so a child blocked on a full pipe can finish.
        if (!ReadSome(std::min(MsLeft(deadline), 20))) usleep(5000);
    }
}

void ChildProcess::Kill() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGKILL);
    int st = 0;
    waitpid(m_pid, &st, 0);
    m_pid = -1;
}

} // namespace orv
