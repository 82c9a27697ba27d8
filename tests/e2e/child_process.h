// A program started for a test: its standard input is a pipe the test writes lines to, its
// standard output is read line by line with bounded waits, its standard error goes to a
// file. The destructor kills it if it still runs, so no test leaves a process behind.
#pragma once

#include <sys/types.h>

#include <deque>
#include <string>
#include <vector>

namespace orv {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::string& program, const std::vector<std::string>& args, const std::string& stderrFile);
    bool WriteLine(const std::string& line);
    void CloseInput();

    // Waits up to timeoutMs for an output line that starts with prefix and has not been
    // taken yet; takes it (other lines stay for later waits).
    bool WaitForLine(const std::string& prefix, int timeoutMs, std::string* line = nullptr);
    // Like WaitForLine but the line only has to contain text.
    bool WaitForText(const std::string& text, int timeoutMs, std::string* line = nullptr);
    // Everything printed so far, for failure messages.
    std::string Output() const;

    void Signal(int signo);
    // Waits for the exit; *status as from waitpid. False when it did not end in time.
    bool WaitExit(int timeoutMs, int* status = nullptr);
    pid_t Pid() const { return m_pid; }

private:
    bool WaitFor(bool (*matches)(const std::string&, const std::string&), const std::string& what, int timeoutMs,
                 std::string* line);
    bool ReadSome(int timeoutMs); // false at end of output or on error
    void Kill();

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_partial;
    std::deque<std::string> m_pending; // lines not taken by a wait
    std::vector<std::string> m_all;
};

// The folder of the build's programs (orvserver, orvcli).
std::string ProgramPath(const std::string& name);

} // namespace orv
