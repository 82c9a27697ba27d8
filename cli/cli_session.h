// CliSession: runs orvcli's commands on the main thread against the client core, prints
// every core event, and holds further commands while a "wait" is open.
#pragma once

#include "cli/cli_commands.h"
#include "cli/cli_handset.h"
#include "cli/cli_options.h"
#include "client/core/client_core.h"
#include "platform/message.h"

#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <string>

namespace orv {

// Command input, from any thread: one line, or the end of the input. Posts to a window
// that is gone are dropped, so a reader may outlive the session.
void PostCommandLine(HWND input, const std::string& line);
void PostEndOfInput(HWND input);

class CliSession : public CoreListener {
public:
    CliSession(const CliOptions& options, std::FILE* out);
    ~CliSession() override;

    bool Start(std::string* error);
    // The window that takes command input; see PostCommandLine.
    HWND InputWindow() const { return m_window ? m_window->GetSafeHwnd() : 0; }
    bool WaitTimedOut() const { return m_waitTimedOut; }
    // A live update handed files to the updater: the session ended for it.
    bool RestartForUpdate() const { return m_core.RestartForUpdate(); }

    void OnCoreEvent(const CoreEvent& event) override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void RunPending();
    bool RunCommand(const std::string& line); // false while a wait holds the queue
    void FinishWait(bool done);
    void Print(const std::string& line);
    void PrintEvent(const CoreEvent& event);

    CliOptions m_options;
    std::FILE* m_out;
    ClientCore m_core;
    std::unique_ptr<VideoCore> m_video; // after the core started; ends before it
    std::unique_ptr<CliHandset> m_handset; // --handset: after the core started; ends before it
    std::unique_ptr<ConferenceControl> m_conference; // after the core started; ends before it
    CliContext m_context;
    CliCommandTable m_commands;
    std::unique_ptr<FunctionWindow> m_window;
    std::deque<std::string> m_pending;
    bool m_endOfInput = false;
    bool m_quitting = false;
    std::map<std::string, int> m_unconsumed; // events not yet taken by a wait
    std::string m_waitFor;                   // empty: no wait open
    std::uint32_t m_waitMs = 0;
    bool m_waitTimedOut = false;
};

} // namespace orv
