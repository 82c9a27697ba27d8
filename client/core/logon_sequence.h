// LogonSequence: the update check and the logon, as the connection dialog runs them, below
// the front-ends so that the desktop client and orvcli behave alike.
//
// Modes: Logon asks the entry server for the user server and logs on with 5 attempts;
// UpdateCheck asks for updates with 5 attempts and ends; Reconnect asks for updates and then
// logs on, both without a limit. While it runs, the sequence's window is the user-server
// handler's logon window; each answer, report and time-out ends it with one outcome that
// names the message the user should see (title and text numbers of the text table).
#pragma once

#include "client/core/update_download.h"
#include "platform/message.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv {

class CUserServHandler;

enum class LogonMode { Logon = 0, Reconnect = 1, UpdateCheck = 2 };

struct LogonRequest {
    std::string host; // entry server
    std::uint16_t port = 0;
    std::string number;
    std::string digest; // the password digest, never the password
    std::uint32_t bindValue = 0; // the handset's customer number, 0 without one
};

enum class LogonOutcomeKind {
    LoggedOn,      // the logon is complete (first keep-alive and custom information arrived)
    NoUpdate,      // the update check found nothing to install: the user logs on next
    UpdateInstalled, // the live update handed files to the updater: the client restarts
    Refused,       // the server refused the logon: reason
    Failed,        // a logon answer that could not be used: code
    TimedOut,      // the locate, login or update query ran out of attempts: request
    UpdateFailed,  // the update server could not be used: updateCode
    Cancelled,
};

struct LogonOutcome {
    LogonOutcomeKind kind = LogonOutcomeKind::Cancelled;
    std::int32_t reason = 0;
    std::uint32_t code = 0;
    std::uint16_t request = 0;
    int updateCode = 0;
    int titleText = 0;   // text numbers of the message box to show; 0 = none
    int messageText = 0;
    bool Succeeded() const { return kind == LogonOutcomeKind::LoggedOn; }
};

// Text numbers the logon shows.
constexpr int kTextInformationTitle = 1;
constexpr int kTextLogonFailedTitle = 4;
constexpr int kTextLogonTimeout = 83;
constexpr int kTextConnectingTimeout = 86;
constexpr int kTextNetworkError = 87;
constexpr int kTextServerFailed = 92; // "Communication with ORV Server failed"

// The text that explains a refused logon's reason (7 "unknown reason" for any other).
int LogonFailureText(std::int32_t reason);

// Attempts of the requests of a mode: -1 is without limit.
constexpr int kLogonAttempts = 5;

class LogonSequence {
public:
    using Done = std::function<void(const LogonOutcome&)>;

    // Lives on the user-interface thread; done runs there, after the sequence has ended (it
    // may start the sequence again).
    LogonSequence(CUserServHandler& handler, Done done);
    ~LogonSequence(); // stops being the handler's logon window
    LogonSequence(const LogonSequence&) = delete;
    LogonSequence& operator=(const LogonSequence&) = delete;

    // False when the request cannot be used (number of 32 or more characters, digest of 40
    // or more, an address that does not resolve) or the first request cannot be sent.
    bool Start(LogonMode mode, const LogonRequest& request);
    // Stops the handler's logon and ends with Cancelled (done is called).
    void Cancel();
    bool Running() const { return m_running; }
    // Where the steps of a live update's download go (the "Live Update" dialog).
    void SetDownloadListener(UpdateDownload::Listener listener) { m_downloadListener = std::move(listener); }
    bool Downloading() const { return m_download != nullptr; }
    // Ends a download early; what is complete is installed.
    void StopDownload();
    LogonMode Mode() const { return m_mode; }
    HWND Window() const;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnLogonResult(WPARAM code, LPARAM reason);
    void OnRequestTimeout(std::uint16_t type);
    void OnUpdateReport(WPARAM code);
    void GoOnWithoutUpdate();
    void StartDownload();
    void FinishDownload();
    void Finish(LogonOutcome outcome);

    CUserServHandler& m_handler;
    Done m_done;
    std::unique_ptr<FunctionWindow> m_window;
    LogonMode m_mode = LogonMode::Logon;
    bool m_running = false;
    UpdateDownload::Listener m_downloadListener;
    std::unique_ptr<UpdateDownload> m_download;
};

} // namespace orv
